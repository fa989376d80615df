#include <gtest/gtest.h>

#include <string>
#include <tuple>
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
  auto Run = [&](int Passes, int Minute, bool Telnet = true, bool Connected = true, bool Bar = false) {
    for (int i = 0; i < Passes; ++i) {
      const TIdleWork W = IdlePass(S, Minute, Bar, Telnet, Connected);
      Sent += W.SendKeepAlive;
      Redraws += W.RedrawStatus;
    }
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
  EXPECT_EQ(Redraws, 0);
  Run(180, 5, false, false, true);
  Run(60, 6, false, false, false);  // bar off: nothing to redraw
  EXPECT_EQ(Redraws, 1);
}

}  // namespace
