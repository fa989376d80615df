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

TEST_F(StatusBarTest, OfflineFieldsOn80By25) {
  Open(80, 25);
  S.StatusBarOn = true;
  S.CurrentEntry.Emulation = 1;
  DrawStatusBar(Con, Cfg, S, 0);
  for (int X : {29, 37, 49, 60, 68}) EXPECT_EQ(Con.Cell(X, 25).Ch, 221) << X;
  EXPECT_EQ(Text(2, 27, 25), "  Lanternyx 2.00 BETA 22  ");
  EXPECT_EQ(Attr(5, 25), Cfg.StatusColor2);
  EXPECT_EQ(Text(30, 35, 25), " 80x24");
  EXPECT_EQ(Text(39, 47, 25), " OFFLINE ");
  EXPECT_EQ(Attr(40, 25), Cfg.StatusColor3);
  EXPECT_EQ(Text(51, 58, 25), "ANSI-RGB");
  EXPECT_EQ(Text(62, 66, 25), "00:00");
  EXPECT_EQ(Text(70, 79, 25), "Alt-Z/Help");
  EXPECT_EQ(Attr(80, 25), Cfg.StatusColor1);
  EXPECT_TRUE(Con.StatusLine);
  EXPECT_EQ(Con.WinY2, 24);
  DrawStatusBar(Con, Cfg, S, 0, "Script: waiting");  // a message replaces the fields, centred
  EXPECT_EQ(Text(33, 47, 25), "Script: waiting");
  EXPECT_EQ(Attr(1, 25), Cfg.StatusColor2);
}

// With the ASCII theme the console runs in Topaz, where 221 is an accented letter: the
// dividers stay in the code page 437 font of the same size, the text in the console's.
TEST_F(StatusBarTest, DividersAreDrawnInTheBlockFontOfTheConsoleSize) {
  S.StatusBarOn = true;
  for (auto [Font, Block] : {std::pair{2, 1}, std::pair{4, 3}, std::pair{1, 1}}) {
    SCOPED_TRACE(Font);
    ASSERT_TRUE(Con.OpenScreen(80, 25, static_cast<uint8_t>(Font)));
    DrawStatusBar(Con, Cfg, S, 0);
    for (int X : {29, 37, 49, 60, 68}) {
      EXPECT_EQ(Con.Cell(X, 25).Ch, 221) << X;
      EXPECT_EQ(Con.Cell(X, 25).Font, Block) << X;
      EXPECT_EQ(Con.Cell(X, 25).Attr, Cfg.StatusColor1) << X;
    }
    EXPECT_EQ(Con.Cell(70, 25).Font, Font);
  }
}

TEST_F(StatusBarTest, ConnectedShowsNameStateAndOnlineTime) {
  Open(80, 25);
  S.StatusBarOn = true;
  S.Connected = true;
  S.CurrentEntry.Name = "|12Dark|07 Realm";
  S.CurrentEntry.Emulation = 2;
  S.ConnectTime = 10 * 3600;
  DrawStatusBar(Con, Cfg, S, 11 * 3600 + 5 * 60 + 59);
  // During a call the font has its field beside the name, and a paced line its speed.
  EXPECT_EQ(Text(2, 28, 25), "   Dark Realm    \xdd  CP437  ");
  EXPECT_EQ(Text(39, 47, 25), "Connected");
  EXPECT_EQ(Attr(39, 25), Cfg.StatusColor4);
  EXPECT_EQ(Text(62, 66, 25), "01:05");
  EXPECT_EQ(Text(51, 58, 25), " VT-102 ");
  S.Term = std::make_unique<TTermAnsi>(Con);
  S.Term->Font = 44;  // P0T-NOoDLE at 16x32
  S.Pacer.SetSpeed(11, 0);
  DrawStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(Text(20, 48, 25), "PotNoodle\xdd" " 80x24 \xdd" "115200 bps ");
  // Past midnight the time keeps counting.
  S.ConnectTime = 23 * 3600 + 59 * 60;
  DrawStatusBar(Con, Cfg, S, 60);
  EXPECT_EQ(Text(62, 66, 25), "00:02");
}

TEST_F(StatusBarTest, LongNameIsCutAndEmptyNameShowsAddress) {
  Open(80, 25);
  S.StatusBarOn = true;
  S.Connected = true;
  S.CurrentEntry.Name = std::string(40, 'N');
  DrawStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(Text(2, 19, 25), std::string(17, 'N') + "\xdd");
  S.CurrentEntry.Name.clear();
  S.CurrentEntry.Address = "bbs.example:2323";
  DrawStatusBar(Con, Cfg, S, 0);
  EXPECT_NE(Text(2, 18, 25).find("bbs.example:2323"), std::string::npos);
}

TEST_F(StatusBarTest, WideScreenShiftsFields) {
  Open(132, 30);
  S.StatusBarOn = true;
  DrawStatusBar(Con, Cfg, S, 0);
  for (int X : {29, 37, 49, 60, 68}) EXPECT_EQ(Con.Cell(X + 26, 30).Ch, 221) << X;
  EXPECT_EQ(Text(56, 61, 30), "132x29");
  EXPECT_EQ(Text(96, 105, 30), "Alt-Z/Help");
  EXPECT_EQ(PictureColumn(132), 26);
  EXPECT_EQ(PictureColumn(80), 1);
}

TEST_F(StatusBarTest, ToggleOffBlanksRowAndWidensWindow) {
  Open(80, 25);
  S.StatusBarOn = false;
  Con.GotoXY(5, 25);
  ToggleStatusBar(Con, Cfg, S, 0);
  EXPECT_TRUE(S.StatusBarOn);
  EXPECT_EQ(Con.CursorY, 24);
  EXPECT_EQ(Con.CursorX, 5);
  EXPECT_EQ(Con.WinY2, 24);
  ToggleStatusBar(Con, Cfg, S, 0);
  EXPECT_FALSE(S.StatusBarOn);
  EXPECT_FALSE(Con.StatusLine);
  EXPECT_EQ(Con.WinY2, 25);
  EXPECT_EQ(Text(1, 80, 25), std::string(80, ' '));
  EXPECT_EQ(Attr(40, 25), 7);
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
  EXPECT_EQ(Con.Cell(40, 7).Ch, 196);
  EXPECT_EQ(Con.Cell(15, 9).Ch, 254);
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
  EXPECT_EQ(Text(31, 38, 18), "VERSION ");
  EXPECT_EQ(Text(39, 50, 18), "2.00 BETA 22");
  EXPECT_EQ(Attr(39, 18), 15);
  EXPECT_EQ(Text(29, 52, 19), "PRE-RELEASE TEST VERSION");
  EXPECT_FALSE(Con.KeyPressed());  // the key that ended it is not passed on
  Con.WriteXY(1, 1, 7, "under");
  Con.PushKey(' ');
  ShowHelp(Con);
  EXPECT_EQ(Text(1, 5, 1), "under");  // help restores the screen
}

}  // namespace
