#include <gtest/gtest.h>

#include <tuple>

#include "app/statusbar.h"
#include "tests/term/term_fixture.h"

namespace {

class StatusBarTest : public ::testing::Test {
 protected:
  void Open(int Cols, int Rows) { ASSERT_TRUE(Con.OpenScreen(Cols, Rows, 1)); }
  std::string Text(int X1, int X2, int Y) const {
    std::string S;
    for (int X = X1; X <= X2; ++X) S += static_cast<char>(Con.Cell(X, Y).Ch);
    return S;
  }
  uint8_t Attr(int X, int Y) const { return Con.Cell(X, Y).Attr; }

  TSDLConsoleScrollback Con;
  lx::TConfigRec Cfg;
  TSessionState S;
};

// The whole bar: the program or the board's name (colour codes out, cut to its field, or the
// address when it has none), during a call the font, the size, the state or a paced line's
// speed, the emulation, the clock or the time online (counting past midnight), the help key.
TEST_F(StatusBarTest, FieldsByStateAndWidth) {
  const std::string D = "\xdd", Help = " Alt-Z/Help ";
  struct TCase {
    int Cols, Rows;
    bool Connected;
    std::string Name;
    uint8_t Emulation, Font, Speed;
    int64_t Online, Now;
    std::string Bar;
  };
  const std::vector<TCase> Cases = {
      {80, 25, false, "", 1, 0, 0, 0, 0,
       "   Lanternyx 2.00 BETA 22   " + D + " 80x24 " + D + "  OFFLINE  " + D + " ANSI-RGB " + D + " 00:00 " + D + Help},
      {132, 30, false, "", 0, 0, 0, 0, 0,
       std::string(16, ' ') + "Lanternyx 2.00 BETA 22" + std::string(16, ' ') + D + "132x29 " + D + "  OFFLINE  " + D +
           "   None   " + D + " 00:00 " + D + Help + std::string(26, ' ')},
      {80, 25, true, "|12Dark|07 Realm", 2, 0, 0, 10 * 3600, 11 * 3600 + 5 * 60 + 59,
       "    Dark Realm    " + D + "  CP437  " + D + " 80x24 " + D + " Connected " + D + "  VT-102  " + D + " 01:05 " + D + Help},
      {80, 25, true, std::string(40, 'N'), 2, 44, 11, 23 * 3600 + 59 * 60, 60,  // P0T-NOoDLE at 16x32
       " " + std::string(17, 'N') + D + "PotNoodle" + D + " 80x24 " + D + "115200 bps " + D + "  VT-102  " + D + " 00:02 " + D + Help},
      {80, 25, true, "", 2, 0, 0, 0, 0,
       " bbs.example:2323 " + D + "  CP437  " + D + " 80x24 " + D + " Connected " + D + "  VT-102  " + D + " 00:00 " + D + Help},
  };
  for (const TCase& C : Cases) {
    Open(C.Cols, C.Rows);
    S.StatusBarOn = true;
    S.Term.reset();
    S.Connected = C.Connected;
    S.CurrentEntry.Name = C.Name;
    S.CurrentEntry.Address = "bbs.example:2323";
    S.CurrentEntry.Emulation = C.Emulation;
    S.ConnectTime = C.Online;
    if (C.Font) (S.Term = std::make_unique<TTermAnsi>(Con))->Font = C.Font;
    S.Pacer.SetSpeed(C.Speed, 0);
    DrawStatusBar(Con, Cfg, S, C.Now);
    EXPECT_EQ(Text(1, C.Cols, C.Rows), C.Bar);
    EXPECT_TRUE(Con.StatusLine);
    EXPECT_EQ(Con.WinY2, C.Rows - 1);
  }
  EXPECT_EQ(std::pair(PictureColumn(132), PictureColumn(80)), std::pair(26, 1));
}

// Each cell's colour: 1 to 4 for the four status colours.
TEST_F(StatusBarTest, ColoursAndAMessageInPlaceOfTheFields) {
  Open(80, 25);
  S.StatusBarOn = true;
  const auto Colours = [this] {
    std::string Out;
    for (int X = 1; X <= 80; ++X) {
      const uint8_t A = Attr(X, 25);
      Out += A == Cfg.StatusColor1 ? '1' : A == Cfg.StatusColor2 ? '2' : A == Cfg.StatusColor3 ? '3' : A == Cfg.StatusColor4 ? '4' : '?';
    }
    return Out;
  };
  DrawStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(Colours(), "12222222222222222222222222211444444111333333333111444444441113333311122222222221");
  S.Connected = true;
  DrawStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(Colours(), "12222222222222222214444444441444444114444444444411444444441114444411122222222221");
  DrawStatusBar(Con, Cfg, S, 0, "Script: waiting");  // centred
  EXPECT_EQ(Text(1, 80, 25), std::string(32, ' ') + "Script: waiting" + std::string(33, ' '));
  EXPECT_EQ(Colours(), std::string(80, '2'));
}

// With the ASCII theme the console runs in Topaz, where 221 is an accented letter: the
// dividers stay in the code page 437 font of the same size, the text in the console's.
TEST_F(StatusBarTest, DividersAreDrawnInTheBlockFontOfTheConsoleSize) {
  S.StatusBarOn = true;
  for (auto [Font, Block] : {std::pair{2, 1}, std::pair{4, 3}, std::pair{1, 1}}) {
    SCOPED_TRACE(Font);
    ASSERT_TRUE(Con.OpenScreen(80, 25, static_cast<uint8_t>(Font)));
    DrawStatusBar(Con, Cfg, S, 0);
    for (int X : {29, 37, 49, 60, 68}) EXPECT_EQ(std::pair(int(Con.Cell(X, 25).Ch), int(Con.Cell(X, 25).Font)), std::pair(221, Block)) << X;
    EXPECT_EQ(Con.Cell(70, 25).Font, Font);
  }
}

TEST_F(StatusBarTest, ToggleOffBlanksRowAndWidensWindow) {
  Open(80, 25);
  Con.GotoXY(5, 25);
  ToggleStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(std::tuple(S.StatusBarOn, Con.CursorX, Con.CursorY, Con.WinY2), std::tuple(true, 5, 24, 24));
  ToggleStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(std::tuple(S.StatusBarOn, Con.StatusLine, Con.WinY2, Attr(40, 25)), std::tuple(false, false, 25, 7));
  EXPECT_EQ(Text(1, 80, 25), std::string(80, ' '));
}

// The minute tick redraws the bar while a board writes in its own scroll region.
TEST_F(StatusBarTest, RedrawLeavesTheBoardsRegionCursorColoursAndWrapAlone) {
  Open(80, 25);
  S.StatusBarOn = true;
  DrawStatusBar(Con, Cfg, S, 0);
  TTermAnsi Term(Con);
  Feed(Term, "\x1b[1;10r\x1b[1;33;38;5;196;48;2;1;2;3m\x1b[10;1H" + std::string(80, 'x'));
  const auto State = [this] {
    return std::tuple(Con.WinX1, Con.WinY1, Con.WinX2, Con.WinY2, Con.CursorX, Con.CursorY, Con.PendingWrap,
                      Con.TextAttr, Con.FgMode, Con.BgMode, Con.Fg256, Con.BgRGB, Con.FgPixel, Con.BgPixel);
  };
  const auto Before = State();
  DrawStatusBar(Con, Cfg, S, 60);
  EXPECT_EQ(State(), Before);
  EXPECT_TRUE(Con.PendingWrap);
  Feed(Term, "\r\nnew\r\nline");
  EXPECT_EQ(Text(1, 4, 9) + Text(1, 4, 10) + Text(1, 80, 11), "new line" + std::string(80, ' '));
}

TEST_F(StatusBarTest, TerminalReadyInBothLooks) {
  Open(80, 25);
  ShowTerminalReady(Con, 1);
  EXPECT_EQ(std::pair(int(Con.Cell(40, 7).Ch), int(Con.Cell(15, 9).Ch)), std::pair(196, 254));
  EXPECT_NE(Text(13, 65, 9).find("Terminal ready. Right click or ALT-Z for Help"), std::string::npos);
  ShowTerminalReady(Con, 2);
  EXPECT_EQ(Con.Cell(15, 9).Ch, '*');
  for (int Y = 1; Y <= 25; ++Y)
    for (int X = 1; X <= 80; ++X) EXPECT_LT(Con.Cell(X, Y).Ch, 128) << X << "," << Y;
  Con.ScrollbackCount = 3;
  ShowTerminalReady(Con, 1);
  EXPECT_NE(Text(18, 61, 9).find("Terminal ready; Scrollback available"), std::string::npos);
}

TEST_F(StatusBarTest, AboutAndHelpGoAway) {
  Open(80, 25);
  Con.PushKey('q');
  ShowAbout(Con, "2.00 BETA 22", 3000);
  EXPECT_EQ(Text(31, 50, 18) + "|" + Text(29, 52, 19), "VERSION 2.00 BETA 22|PRE-RELEASE TEST VERSION");
  EXPECT_EQ(Attr(39, 18), 15);
  EXPECT_FALSE(Con.KeyPressed());  // the key that ended it is not passed on
  Con.WriteXY(1, 1, 7, "under");
  Con.PushKey(' ');
  ShowHelp(Con);
  EXPECT_EQ(Text(1, 5, 1), "under");  // help restores the screen
}

}  // namespace
