#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/session_rules.h"
#include "console/console.h"
#include "term/term_ansi.h"

namespace {

TEST(Keys, FunctionAndCursorKeys) {
  const std::vector<std::pair<uint8_t, std::string>> Table = {
      {59, "\x1bOP"},    {60, "\x1bOQ"},    {61, "\x1bOR"},    {62, "\x1bOS"},    {63, "\x1bOt"},
      {64, "\x1b[17~"},  {65, "\x1b[18~"},  {66, "\x1b[19~"},  {67, "\x1b[20~"},  {68, "\x1b[21~"},
      {71, "\x1b[H"},    {72, "\x1b[A"},    {73, "\x1b[V"},    {75, "\x1b[D"},    {77, "\x1b[C"},
      {79, "\x1b[K"},    {80, "\x1b[B"},    {81, "\x1b[U"},    {82, "\x1b[@"},    {83, "\x7f"}};
  for (const auto& [Code, Bytes] : Table) EXPECT_EQ(KeySequence(Code), Bytes) << int(Code);
  for (uint8_t Code : {16, 18, 45, 74, 76, 78, 94, 103, 200}) EXPECT_EQ(KeySequence(Code), "") << int(Code);
  EXPECT_TRUE(IsMacroKey(94));
  EXPECT_TRUE(IsMacroKey(103));
  EXPECT_FALSE(IsMacroKey(93));
  EXPECT_FALSE(IsMacroKey(104));
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
  EXPECT_EQ(CommandMenuText(false, false, 0),
            "D-Directory|U-Upload Queue|F-Font and Filtering|S-Screen Size|O-Options|Z-Show Help|X-Exit|");
  EXPECT_EQ(CommandMenuText(true, true, 5),
            "P-Paste Clipboard|C-Clear Clipboard|H-Hangup|T-Transfer Files|L-Line Speed|B-Scrollback|"
            "D-Directory|U-Upload Queue|F-Font and Filtering|S-Screen Size|O-Options|Z-Show Help|X-Exit|");
  EXPECT_EQ(CommandMenuText(false, true, 0).substr(0, 39), "H-Hangup|T-Transfer Files|L-Line Speed|");
  EXPECT_EQ(CommandMenuText(false, false, 1).substr(0, 13), "B-Scrollback|");
}

TEST(Mouse, SelectionTrimsRowEndsAndOnlyTheFirstRowsLead) {
  TSDLConsole Con;
  ASSERT_TRUE(Con.OpenScreen(80, 25, 1));
  Con.WriteXY(1, 3, 7, "   first row    ");
  Con.WriteXY(1, 4, 7, "   second      ");
  Con.WriteXY(1, 5, 7, "  third");
  EXPECT_EQ(SelectionText(Con, 1, 3, 20, 5), "first row\r\n   second\r\n  third");
  // Corners in either order select the same rectangle.
  EXPECT_EQ(SelectionText(Con, 20, 5, 1, 3), "first row\r\n   second\r\n  third");
  EXPECT_EQ(SelectionText(Con, 4, 3, 8, 3), "first");
  EXPECT_EQ(SelectionText(Con, 30, 10, 40, 10), "");
}

struct TRecord {
  std::string Screen, Capture;
  std::vector<bool> Starts;
  std::string Transfer;  // the bytes left for the transfer: from the start's CAN on
};

TRecord Filter(const std::string& Block, bool Auto = true) {
  TRecord R;
  TReceiveSink Sink;
  Sink.Data = [&](const uint8_t* D, size_t N, bool Capture) {
    R.Screen.append(reinterpret_cast<const char*>(D), N);
    if (Capture) R.Capture.append(reinterpret_cast<const char*>(D), N);
  };
  const TZmodemStart S = FilterReceived(reinterpret_cast<const uint8_t*>(Block.data()), Block.size(), Auto, Sink);
  if (S.Found) {
    R.Starts.push_back(S.Upload);
    R.Transfer = Block.substr(S.At);
  }
  return R;
}

TEST(ReceiveFilter, CanCases) {
  struct TCase {
    std::string Block;
    bool Auto;
    std::vector<bool> Starts;
    std::string Screen, Capture, Transfer;
  };
  const std::vector<TCase> Cases = {
      // A start: what came before is shown, the rest of the block belongs to the transfer.
      {"hi\x18" "B00000", true, {false}, "hi", "hi", "\x18" "B00000"},
      {"\x18" "B01x\x18" "B00", true, {true}, "", "", "\x18" "B01x\x18" "B00"},
      // The header's pads are the transfer's; stars before other text are not.
      {"rz\r**\x18" "B00000000000000\r\x8a\x11more", true, {false}, "rz\r", "rz\r",
       "\x18" "B00000000000000\r\x8a\x11more"},
      {"a*\x18xyz*", true, {}, "a*\x18xyz*", "a*xyz*", ""},
      // A cancel sequence and its backspaces vanish, also at the block's end; four CAN are text.
      {"x\x18\x18\x18\x18\x18\x18\b\b\by\x18\x18\x18\x18\x18", true, {}, "xy", "xy", ""},
      {"\x18\x18\x18\x18" "ab", true, {}, "\x18\x18\x18\x18" "ab", "\x18" "ab", ""},
      {"\x18" "B02", true, {}, "B02", "B02", ""},                      // other digit: CAN dropped only
      {"a\x18xyzb", true, {}, "a\x18xyzb", "axyzb", ""},                // lone CAN not captured
      {"ab\x18" "B0", true, {}, "ab\x18" "B0", "ab\x18" "B0", ""},       // header cut by the block end
      {"\x18" "B00\x18", false, {}, "\x18" "B00\x18", "\x18" "B00\x18", ""},  // auto-start off
      {"", true, {}, "", "", ""}};
  for (const TCase& C : Cases) {
    const TRecord R = Filter(C.Block, C.Auto);
    EXPECT_EQ(R.Starts, C.Starts) << C.Block;
    EXPECT_EQ(R.Screen, C.Screen) << C.Block;
    EXPECT_EQ(R.Capture, C.Capture) << C.Block;
    EXPECT_EQ(R.Transfer, C.Transfer) << C.Block;
  }
}

// Minute 600 is 10:00. The counter only looks at the clock every 60th pass.
TEST(IdleWork, KeepAliveOnlyAfterAQuietMinuteOnATelnetLine) {
  TIdleState S;
  S.KeepAliveMinute = 600;
  int Sent = 0;
  auto Run = [&](int Passes, int Minute, bool Telnet = true, bool Connected = true) {
    for (int i = 0; i < Passes; ++i) Sent += IdlePass(S, Minute, false, Telnet, Connected).SendKeepAlive;
  };
  Run(60, 600);
  Run(58, 601);  // the minute changed, but the clock is read on the 60th pass only
  EXPECT_EQ(Sent, 0);
  Run(1, 601);
  EXPECT_EQ(Sent, 1);
  Run(600, 601);
  EXPECT_EQ(Sent, 1);  // once per minute
  Run(60, 602);
  EXPECT_EQ(Sent, 2);
  for (int Minute = 603; Minute < 610; ++Minute) {
    NoteKeySent(S, Minute);  // typing keeps the line from being quiet
    Run(60, Minute);
  }
  Run(60, 700, false);
  Run(60, 701, true, false);
  EXPECT_EQ(Sent, 2);
}

TEST(IdleWork, StatusBarClockRedrawsOncePerMinute) {
  TIdleState S;
  int Redraws = 0;
  for (int i = 0; i < 180; ++i) Redraws += IdlePass(S, 5, true, false, false).RedrawStatus;
  EXPECT_EQ(Redraws, 1);
  for (int i = 0; i < 60; ++i) Redraws += IdlePass(S, 6, false, false, false).RedrawStatus;
  EXPECT_EQ(Redraws, 1);  // bar off: nothing to redraw
}

}  // namespace
