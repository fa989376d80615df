// Pure pieces of the session: keys, mouse reports, the receive filter, idle work, macros,
// capture files, the line pacer and the script tokenizer.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/capture.h"
#include "app/line_pacer.h"
#include "app/macros.h"
#include "app/script_reader.h"
#include "app/session_rules.h"
#include "console/console.h"
#include "support/test_tempdir.h"
#include "term/term_ansi.h"

using namespace std::string_literals;

namespace {

TEST(Keys, FunctionAndCursorKeys) {
  const std::vector<std::pair<uint8_t, std::string>> Table = {
      {59, "\x1bOP"},    {60, "\x1bOQ"},    {61, "\x1bOR"},    {62, "\x1bOS"},    {63, "\x1bOt"},
      {64, "\x1b[17~"},  {65, "\x1b[18~"},  {66, "\x1b[19~"},  {67, "\x1b[20~"},  {68, "\x1b[21~"},
      {71, "\x1b[H"},    {72, "\x1b[A"},    {73, "\x1b[V"},    {75, "\x1b[D"},    {77, "\x1b[C"},
      {79, "\x1b[K"},    {80, "\x1b[B"},    {81, "\x1b[U"},    {82, "\x1b[@"},    {83, "\x7f"},
      {16, ""}, {18, ""}, {45, ""}, {74, ""}, {76, ""}, {78, ""}, {94, ""}, {103, ""}, {200, ""}};
  for (const auto& [Code, Bytes] : Table) EXPECT_EQ(KeySequence(Code), Bytes) << int(Code);
  EXPECT_EQ(std::vector<bool>({IsMacroKey(93), IsMacroKey(94), IsMacroKey(103), IsMacroKey(104)}),
            std::vector<bool>({false, true, true, false}));
}

TEST(Mouse, ReportsByModeAndEncoding) {
  using K = TMouseInput::TKind;
  using T = TMouseTracking;
  const TMouseModes Off{}, X10{T::X10}, Normal{T::Normal}, Button{T::ButtonEvent}, Any{T::AnyEvent};
  const auto Sgr = [](TMouseModes M) { return M.SGR = true, M; };
  struct TRow { TMouseModes Modes; TMouseInput In; std::string Out; };
  const std::vector<TRow> Rows = {
      {Off, {K::Press, 0, 0, 10, 5}, ""},                    {Sgr(Off), {K::Press, 0, 0, 10, 5}, ""},
      {X10, {K::Press, 0, 16, 10, 5}, "\x1b[M *%"},          {X10, {K::Release, 0, 0, 10, 5}, ""},
      {X10, {K::Wheel, 0, 8, 1, 1}, "\x1b[M`!!"},            {X10, {K::Motion, 0, 0, 1, 1}, ""},
      {Normal, {K::Press, 2, 0, 80, 25}, "\x1b[M\"p9"},      {Normal, {K::Press, 1, 24, 1, 1}, "\x1b[M9!!"},
      {Normal, {K::Release, 2, 0, 80, 25}, "\x1b[M#p9"},     {Normal, {K::Motion, 0, 0, 3, 3}, ""},
      {Normal, {K::Wheel, 1, 0, 2, 2}, "\x1b[Ma\"\""},       {Button, {K::Motion, 0, 0, 3, 4}, "\x1b[M@#$"},
      {Button, {K::Motion, 3, 0, 3, 4}, ""},                 {Any, {K::Motion, 3, 0, 3, 4}, "\x1b[MC#$"},
      {Normal, {K::Press, 0, 0, 223, 223}, "\x1b[M \xff\xff"}, {Normal, {K::Press, 0, 0, 224, 5}, ""},
      {Normal, {K::Press, 0, 0, 5, 224}, ""},                {Sgr(Normal), {K::Press, 0, 0, 12, 7}, "\x1b[<0;12;7M"},
      {Sgr(Normal), {K::Release, 2, 0, 12, 7}, "\x1b[<2;12;7m"},
      {Sgr(Normal), {K::Press, 0, 0, 300, 240}, "\x1b[<0;300;240M"},
      {Sgr(Any), {K::Motion, 3, 16, 1, 2}, "\x1b[<51;1;2M"}, {Sgr(X10), {K::Release, 0, 0, 1, 1}, ""},
      {Sgr(Normal), {K::Wheel, 0, 0, 5, 6}, "\x1b[<64;5;6M"}};
  for (size_t I = 0; I < Rows.size(); ++I) EXPECT_EQ(MouseReport(Rows[I].Modes, Rows[I].In), Rows[I].Out) << "row " << I;
}

TEST(Mouse, CommandMenuByState) {
  const std::string Always = "D-Directory|U-Upload Queue|F-Font and Filtering|S-Screen Size|O-Options|Z-Show Help|X-Exit|";
  EXPECT_EQ(CommandMenuText(false, false, 0), Always);
  EXPECT_EQ(CommandMenuText(true, true, 5),
            "P-Paste Clipboard|C-Clear Clipboard|H-Hangup|T-Transfer Files|L-Line Speed|B-Scrollback|" + Always);
  EXPECT_EQ(CommandMenuText(false, true, 0), "H-Hangup|T-Transfer Files|L-Line Speed|" + Always);
  EXPECT_EQ(CommandMenuText(false, false, 1), "B-Scrollback|" + Always);
}

TEST(Mouse, SelectionTrimsRowEndsAndOnlyTheFirstRowsLead) {
  TSDLConsole Con;
  ASSERT_TRUE(Con.OpenScreen(80, 25, 1));
  Con.WriteXY(1, 3, 7, "   first row    ");
  Con.WriteXY(1, 4, 7, "   second      ");
  Con.WriteXY(1, 5, 7, "  third");
  // Corners in either order select the same rectangle.
  EXPECT_EQ(SelectionText(Con, 1, 3, 20, 5) + "|" + SelectionText(Con, 20, 5, 1, 3) + "|" + SelectionText(Con, 4, 3, 8, 3) +
                "|" + SelectionText(Con, 30, 10, 40, 10),
            "first row\r\n   second\r\n  third|first row\r\n   second\r\n  third|first|");
}

// What the filter makes of one block: "screen|capture|start" and, after a start, the bytes
// left for the transfer (from the start's CAN on).
std::string Filter(const std::string& Block, bool Auto) {
  std::string Screen, Capture;
  TReceiveSink Sink;
  Sink.Data = [&](const uint8_t* D, size_t N, bool Cap) {
    Screen.append(reinterpret_cast<const char*>(D), N);
    if (Cap) Capture.append(reinterpret_cast<const char*>(D), N);
  };
  const TZmodemStart S = FilterReceived(reinterpret_cast<const uint8_t*>(Block.data()), Block.size(), Auto, Sink);
  return Screen + "|" + Capture + "|" + (S.Found ? (S.Upload ? "up:" : "down:") + Block.substr(S.At) : "");
}

TEST(ReceiveFilter, CanCases) {
  const std::vector<std::tuple<std::string, bool, std::string>> Cases = {
      // A start: what came before is shown, the rest of the block belongs to the transfer.
      {"hi\x18" "B00000", true, "hi|hi|down:\x18" "B00000"},
      {"\x18" "B01x\x18" "B00", true, "||up:\x18" "B01x\x18" "B00"},
      // The header's pads are the transfer's; stars before other text are not.
      {"rz\r**\x18" "B00000000000000\r\x8a\x11more", true, "rz\r|rz\r|down:\x18" "B00000000000000\r\x8a\x11more"},
      {"a*\x18xyz*", true, "a*\x18xyz*|a*xyz*|"},
      // A cancel sequence and its backspaces vanish, also at the block's end; four CAN are text.
      {"x\x18\x18\x18\x18\x18\x18\b\b\by\x18\x18\x18\x18\x18", true, "xy|xy|"},
      {"\x18\x18\x18\x18" "ab", true, "\x18\x18\x18\x18" "ab|\x18" "ab|"},
      {"\x18" "B02", true, "B02|B02|"},                    // other digit: CAN dropped only
      {"a\x18xyzb", true, "a\x18xyzb|axyzb|"},              // lone CAN not captured
      {"ab\x18" "B0", true, "ab\x18" "B0|ab\x18" "B0|"},     // header cut by the block end
      {"\x18" "B00\x18", false, "\x18" "B00\x18|\x18" "B00\x18|"},  // auto-start off
      {"", true, "||"}};
  for (const auto& [Block, Auto, Want] : Cases) EXPECT_EQ(Filter(Block, Auto), Want) << Block;
}

// Minute 600 is 10:00. The counter only looks at the clock every 60th pass; the bar's clock
// is redrawn once a minute while the bar is on, the keep-alive sent after a quiet minute on a
// telnet line.
TEST(IdleWork, KeepAliveAndClockOncePerMinute) {
  TIdleState S;
  S.KeepAliveMinute = 600;
  int Sent = 0, Redraws = 0;
  // Keep-alives sent so far.
  auto Run = [&](int Passes, int Minute, bool Telnet = true, bool Connected = true, bool Bar = false) {
    for (int i = 0; i < Passes; ++i) {
      const TIdleWork W = IdlePass(S, Minute, Bar, Telnet, Connected);
      Sent += W.SendKeepAlive;
      Redraws += W.RedrawStatus;
    }
    return Sent;
  };
  Run(60, 600);
  EXPECT_EQ(Run(58, 601), 0);  // the minute changed, but the clock is read on the 60th pass only
  EXPECT_EQ(Run(1, 601), 1);
  EXPECT_EQ(Run(600, 601), 1);  // once per minute
  EXPECT_EQ(Run(60, 602), 2);
  for (int Minute = 603; Minute < 610; ++Minute) {
    NoteKeySent(S, Minute);  // typing keeps the line from being quiet
    Run(60, Minute);
  }
  Run(60, 700, false);
  EXPECT_EQ(Run(60, 701, true, false), 2);
  EXPECT_EQ(Redraws, 0);
  Run(180, 5, false, false, true);
  Run(60, 6, false, false, false);  // bar off: nothing to redraw
  EXPECT_EQ(Redraws, 1);
}

// Unknown and lower-case codes stand for themselves, "@@x" is "@x", every @PA pauses 500 ms,
// and the result is cut to a short string.
TEST(ExpandMacro, CodesPausesAndTheLengthCap) {
  struct TCase { std::string In, User, Out; int Pauses; };
  const std::vector<TCase> Cases = {
      {"@UN@CR", "sysop", "sysop\r", 0}, {"@PW@CR", "sysop", "secret\r", 0}, {"a@LFb@CR", "", "a\nb\r", 0},
      {"@cr", "", "cr", 0},  {"mail@@xy", "", "mail@xy", 0}, {"a@ZZb", "", "aZZb", 0}, {"abc@", "", "abc", 0},
      {"abc@C", "", "abcC", 0}, {"@", "", "", 0}, {"@UN@CR", "", "\r", 0}, {"a@PAb@PA@PAc", "", "abc", 3},
      {"@UN@UN", std::string(200, 'x'), std::string(255, 'x'), 0}};
  for (const TCase& C : Cases) {
    lx::TPhoneRec E;
    E.UserName = C.User;
    E.Password = "secret";
    int Pauses = 0;
    const std::string Out = ExpandMacro(C.In, E, [&](int Ms) { Pauses += Ms == 500; });
    EXPECT_EQ(std::pair(Out, Pauses), std::pair(C.Out, C.Pauses)) << C.In;
  }
}

TEST(Capture, BlocksAppendRawBytesPassTheBuffer) {
  TTempDir D;
  const std::string Dir = D.Dir(), Path = D.Path("lanternyx.cap");
  TCaptureFile F;
  ASSERT_TRUE(F.Open(Path, "A", "a", "01/02/03"));
  F.CloseWithLine("OFF");
  ASSERT_TRUE(F.Open(Path, "A", "a", "01/02/03"));
  const std::string Big = std::string("\x1b[1;31m\xff\x00\xdb", 10) + std::string(3 * TCaptureFile::BufferSize + 7, 'z');
  F.Write(reinterpret_cast<const uint8_t*>(Big.data()), Big.size());
  F.Close();  // program exit: no closing line
  EXPECT_EQ(ReadFileText(Path), "\n----> Capture: A (a) 01/02/03 Start\n\n----> Capture: OFF\n"
                           "\n----> Capture: A (a) 01/02/03 Start\n" + Big);
  // An unopenable file fails and later writes are harmless.
  EXPECT_FALSE(F.Open(Dir + "/missing/dir/x.cap", "A", "a", "01/02/03") || F.IsOpen());
  F.Write(reinterpret_cast<const uint8_t*>("x"), 1);
  F.CloseWithLine("OFF");
}

// Steps on the pacer's clock at Us: a speed set (-1 keeps it), Push bytes arriving, then a
// Take that must release exactly Taken bytes and leave the next byte due Next microseconds
// later (-1: none waits).
TEST(LinePacer, ReleasesBytesAtTheLinesPace) {
  const size_t Big = TLinePacer::MaxWaiting + 100;
  using TStep = std::tuple<int64_t, int, size_t, size_t, int64_t>;
  const std::vector<std::vector<TStep>> Runs = {
      // 2400 bps is 240 bytes a second, one each 4166.7 us, counted from the first arrival.
      {{0, 4, 1000, 0, 4167}, {4166, -1, 0, 0, 1}, {4167, -1, 0, 1, 4167}, {1'000'000, -1, 0, 239, 4167}},
      // An idle line saves no credit: data after a pause starts from its own arrival.
      {{0, 6, 10, 0, 1042}, {1'000'000, -1, 0, 10, -1}, {5'000'000, -1, 100, 0, 1042}, {5'100'000, -1, 0, 96, 1042}},
      // Unlimited shows everything at once; so does code 12, which is no speed.
      {{0, 0, 50, 50, -1}, {10, 12, 7, 7, -1}},
      // Past 4 MiB waiting, the excess is shown at once; the pace goes on as before.
      {{0, 1, Big, 100, 33334}, {1'000'000, -1, 0, 30, 33334}},
      // A new speed counts from the moment it is set.
      {{0, 4, 1000, 0, 4167}, {1'000'000, -1, 0, 240, 4167}, {1'000'000, 6, 0, 0, 1042}, {1'500'000, -1, 0, 480, 1042}},
  };
  for (size_t R = 0; R < Runs.size(); ++R) {
    TLinePacer P;
    for (const auto& [Us, Speed, Push, Taken, Next] : Runs[R]) {
      if (Speed >= 0) P.SetSpeed(static_cast<uint8_t>(Speed), Us);
      const std::vector<uint8_t> Data(Push, 'x');
      P.Push(Data.data(), Data.size(), Us);
      const size_t Got = P.Take(Us).size();
      EXPECT_EQ(std::pair(Got, P.UsUntilNext(Us)), std::pair(Taken, Next)) << R << " at " << Us;
    }
  }
}

TEST(LinePacer, KeepsTheOrderAndHandsTheRestOver) {
  TLinePacer P;
  P.SetSpeed(3, 0);  // 120 bytes a second
  P.Push(reinterpret_cast<const uint8_t*>("abc"), 3, 0);
  P.Push(reinterpret_cast<const uint8_t*>("de"), 2, 5);
  const auto First = P.Take(16'667);
  const std::string Shown(First.begin(), First.end());  // before the next call frees it
  const std::vector<uint8_t> Rest = P.TakeAll();
  EXPECT_EQ(Shown + "|" + std::string(Rest.begin(), Rest.end()), "ab|cde");
}

// "kind:value" for each token up to the end (a number adds "=" and its value), joined by "|".
std::string Tokens(const std::string& Text) {
  TScriptReader R(Text);
  std::string S;
  for (int I = 0; I < 1000; ++I) {
    const TScriptToken K = R.Next();
    if (!S.empty()) S += "|";
    S += std::to_string(static_cast<int>(K));
    if (!R.Value.empty() && K != TScriptToken::End) S += ":" + R.Value;
    if (K == TScriptToken::Number) S += "=" + std::to_string(R.Number);
    if (R.Value.size() > TScriptReader::ValueMax) S += "!long";
    if (K == TScriptToken::End) break;
  }
  return S;
}

TEST(ScriptReader, Tokens) {
  const std::string X255(255, 'x'), Zeros(255, '0');
  const std::pair<std::string, std::string> Cases[] = {
      {"WAITFOR \"login:\"\n", "6:WAITFOR|0:login:|2"},
      {"waitfor \"a\" Send \"b\" queue \"c\" dElAy 5 ", "6:WAITFOR|0:a|8:SEND|0:b|7:QUEUE|0:c|5:DELAY|4:5=5|2"},
      {"\t\v\f\r\x1a SEND\n", "8:SEND|2"},
      // Cut off by the end of the text, a command word is only a word.
      {"SEND", "3:SEND|2"},  {"SEND \"x\"\nSEND", "8:SEND|0:x|3:SEND|2"},
      {"Hello ", "3:HELLO|2"},  {"SEND2", "8:SEND|4:2=2|2"},
      // Escapes: \" and \\ stand for the second byte, any other byte loses the backslash.
      {R"("a\"b")", "0:a\"b|2"},  {R"("a\\b")", "0:a\\b|2"},  {R"("a\nb")", "0:anb|2"},
      {"\"\"", "0|2"},  {"\"abc", "2"},  {"\"abc\\", "2"},  {"\"two\nlines\"", "0:two\nlines|2"},
      {"12 007", "4:12=12|4:007=7|2"},  {"123abc ", "4:123=123|3:ABC|2"},  {"", "2"},
      {"70000 65535 65536", "4:70000=4464|4:65535=65535|4:65536=0|2"},
      {"1" + std::string(299, '0'), "4:1" + Zeros.substr(1) + "=0|2"},
      {std::string(300, '0') + "70000", "4:" + Zeros + "=4464|2"},
      // Comments run to the end of the line (byte 10 or 13); other stray bytes are skipped.
      {"; SEND \"x\"\nDELAY 1", "1|5:DELAY|4:1=1|2"},  {";c\rSEND ", "1|8:SEND|2"},
      {"; no line end", "1|2"},  {"# SEND", "1|3:SEND|2"},  {"\0\xff\x80{}"s, "1|1|1|1|1|2"},
      // Long tokens are read whole and kept short.
      {"SEND \"" + std::string(1000000, 'x') + "\" " + std::string(1000, 'q') + " SEND ",
       "8:SEND|0:" + X255 + "|3:" + std::string(255, 'Q') + "|8:SEND|2"},
  };
  for (const auto& [Text, Want] : Cases) EXPECT_EQ(Tokens(Text), Want) << Text.substr(0, 80);
}

// After reading N tokens: the line and column where the reader stands.
TEST(ScriptReader, LineAndColumn) {
  const std::vector<std::tuple<std::string, int, int64_t, int64_t>> Cases = {
      {"SEND \"x\"", 1, 1, 5},  // the space after the word was read and pushed back
      {"WAITFOR \"login:\"\n", 2, 1, 16}, {"WAITFOR \"login:\"\n", 3, 2, 0},
      {"a\n  bc", 1, 2, 0},  // the pushed-back line end was counted once
      {"a\n  bc", 2, 2, 4},  {"\"x\\\ny\" Z", 1, 2, 2},  // a line end after a backslash still counts
      {"\r\n\r\nSEND", 1, 3, 4}};
  for (const auto& [Text, N, Line, Col] : Cases) {
    TScriptReader R(Text);
    for (int I = 0; I < N; ++I) R.Next();
    EXPECT_EQ(std::pair(R.Line, R.Col), std::pair(Line, Col)) << Text;
  }
}

}  // namespace
