// The console's own screens: the status bar, the terminal-ready and help screens, the
// scrollback viewer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "app/scrollback_view.h"
#include "app/statusbar.h"
#include "tests/term/term_fixture.h"

namespace {

std::string Cells(const TSDLConsole& Con, int X1, int X2, int Y) {
  std::string S;
  for (int X = X1; X <= X2; ++X) S += static_cast<char>(Con.Cell(X, Y).Ch);
  return S;
}

class StatusBarTest : public ::testing::Test {
 protected:
  void Open(int Cols, int Rows) { ASSERT_TRUE(Con.OpenScreen(Cols, Rows, 1)); }
  uint8_t Attr(int X, int Y) const { return Con.Cell(X, Y).Attr; }

  TSDLConsoleScrollback Con;
  lx::TConfigRec Cfg;
  TSessionState S;
};

// The whole bar: the program or the board's name (colour codes out, cut to its field, or the
// address when it has none), during a call the font, the size, the state or a paced line's
// speed, the emulation, the clock or the time online (counting past midnight), the help key.
TEST_F(StatusBarTest, FieldsByStateAndWidth) {
  // "|" stands for a divider; the help key ends every bar.
  const auto B = [](std::string S) {
    std::replace(S.begin(), S.end(), '|', '\xdd');
    return S + " Alt-Z/Help ";
  };
  const std::string Pad(16, ' ');
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
       B("   Lanternyx 2.00 BETA 22   | 80x24 |  OFFLINE  | ANSI-RGB | 00:00 |")},
      {132, 30, false, "", 0, 0, 0, 0, 0,
       B(Pad + "Lanternyx 2.00 BETA 22" + Pad + "|132x29 |  OFFLINE  |   None   | 00:00 |") +
           std::string(26, ' ')},
      {80, 25, true, "|12Dark|07 Realm", 2, 0, 0, 10 * 3600, 11 * 3600 + 5 * 60 + 59,
       B("    Dark Realm    |  CP437  | 80x24 | Connected |  VT-102  | 01:05 |")},
      // P0T-NOoDLE at 16x32
      {80, 25, true, std::string(40, 'N'), 2, 44, 11, 23 * 3600 + 59 * 60, 60,
       B(" " + std::string(17, 'N') + "|PotNoodle| 80x24 |115200 bps |  VT-102  | 00:02 |")},
      {80, 25, true, "", 2, 0, 0, 0, 0,
       B(" bbs.example:2323 |  CP437  | 80x24 | Connected |  VT-102  | 00:00 |")},
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
    EXPECT_EQ(std::tuple(Cells(Con, 1, C.Cols, C.Rows), Con.StatusLine, Con.WinY2),
              std::tuple(C.Bar, true, C.Rows - 1));
  }
  EXPECT_EQ(std::pair(PictureColumn(132), PictureColumn(80)), std::pair(26, 1));
}

// Each cell's colour: 1 to 4 for the four status colours. With the ASCII theme the console
// runs in Topaz, where 221 is an accented letter: the dividers stay in the code page 437 font
// of the same size, the text in the console's.
TEST_F(StatusBarTest, ColoursFontsAndAMessageInPlaceOfTheFields) {
  S.StatusBarOn = true;
  const auto Colours = [this] {
    const std::string Four = {char(Cfg.StatusColor1), char(Cfg.StatusColor2),
                              char(Cfg.StatusColor3), char(Cfg.StatusColor4)};
    std::string Out;
    for (int X = 1; X <= 80; ++X) Out += static_cast<char>('1' + Four.find(char(Attr(X, 25))));
    return Out;
  };
  for (auto [Font, Block] : {std::pair<uint8_t, uint8_t>{2, 1}, {4, 3}, {1, 1}}) {
    SCOPED_TRACE(int(Font));
    ASSERT_TRUE(Con.OpenScreen(80, 25, Font));
    DrawStatusBar(Con, Cfg, S, 0);
    EXPECT_EQ(Colours(),
              "12222222222222222222222222211444444111333333333111444444441113333311122222222221");
    for (int X : {29, 37, 49, 60, 68})
      EXPECT_EQ(std::pair(Con.Cell(X, 25).Ch, Con.Cell(X, 25).Font),
                std::pair(uint8_t{221}, Block)) << X;
    EXPECT_EQ(Con.Cell(70, 25).Font, Font);
  }
  S.Connected = true;
  DrawStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(Colours(), "12222222222222222214444444441444444114444444444411444444441114444411122222222221");
  DrawStatusBar(Con, Cfg, S, 0, "Script: waiting");  // centred
  EXPECT_EQ(Cells(Con, 1, 80, 25), std::string(32, ' ') + "Script: waiting" + std::string(33, ' '));
  EXPECT_EQ(Colours(), std::string(80, '2'));
}

TEST_F(StatusBarTest, ToggleOffBlanksRowAndWidensWindow) {
  Open(80, 25);
  Con.GotoXY(5, 25);
  ToggleStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(std::tuple(S.StatusBarOn, Con.CursorX, Con.CursorY, Con.WinY2), std::tuple(true, 5, 24, 24));
  ToggleStatusBar(Con, Cfg, S, 0);
  EXPECT_EQ(std::tuple(S.StatusBarOn, Con.StatusLine, Con.WinY2, Attr(40, 25)), std::tuple(false, false, 25, 7));
  EXPECT_EQ(Cells(Con, 1, 80, 25), std::string(80, ' '));
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
  EXPECT_EQ(Cells(Con, 1, 4, 9) + Cells(Con, 1, 4, 10) + Cells(Con, 1, 80, 11), "new line" + std::string(80, ' '));
}

TEST_F(StatusBarTest, TerminalReadyInBothLooksAboutAndHelp) {
  Open(80, 25);
  ShowTerminalReady(Con, 1);
  EXPECT_EQ(std::pair(int(Con.Cell(40, 7).Ch), int(Con.Cell(15, 9).Ch)), std::pair(196, 254));
  EXPECT_NE(Cells(Con, 13, 65, 9).find("Terminal ready. Right click or ALT-Z for Help"), std::string::npos);
  ShowTerminalReady(Con, 2);
  EXPECT_EQ(Con.Cell(15, 9).Ch, '*');
  for (int Y = 1; Y <= 25; ++Y)
    for (int X = 1; X <= 80; ++X) EXPECT_LT(Con.Cell(X, Y).Ch, 128) << X << "," << Y;
  Con.ScrollbackCount = 3;
  ShowTerminalReady(Con, 1);
  EXPECT_NE(Cells(Con, 18, 61, 9).find("Terminal ready; Scrollback available"), std::string::npos);
  // About and help go away.
  Con.PushKey('q');
  ShowAbout(Con, "2.00 BETA 22", 3000);
  EXPECT_EQ(Cells(Con, 31, 50, 18) + "|" + Cells(Con, 29, 52, 19), "VERSION 2.00 BETA 22|PRE-RELEASE TEST VERSION");
  EXPECT_EQ(Attr(39, 18), 15);
  EXPECT_FALSE(Con.KeyPressed());  // the key that ended it is not passed on
  Con.WriteXY(1, 1, 7, "under");
  Con.PushKey(' ');
  ShowHelp(Con);
  EXPECT_EQ(Cells(Con, 1, 5, 1), "under");  // help restores the screen
}

class ViewerTest : public ::testing::Test {
 protected:
  // N numbered lines in the store, "line 0" the oldest.
  void Fill(int N) {
    ASSERT_TRUE(Con.OpenScreen(80, 25, 1));
    Con.ClearScrollback();
    for (int i = 0; i < N; ++i) {
      Con.WriteXY(1, 1, 7, "line " + std::to_string(i) + "    ");
      Con.AddScrollbackLine(1);
    }
    ASSERT_EQ(Con.ScrollbackCount, N);
  }
  std::string Row(int Y) const {
    const std::string S = Cells(Con, 1, 12, Y);
    return S.substr(0, S.find_last_not_of(' ') + 1);
  }
  TSDLConsoleScrollback Con;
};

// The status rows and the gauge are drawn in the code page 437 font of the console's size:
// on a Topaz console (fonts 2 and 4) the stored text alone keeps the viewer's font.
TEST_F(ViewerTest, OpensAtTheEndWithStatusArea) {
  for (auto [Font, Block] : {std::pair<uint8_t, uint8_t>{1, 1}, {2, 1}, {4, 3}}) {
    SCOPED_TRACE(int(Font));
    Fill(100);
    ASSERT_TRUE(Con.OpenScreen(80, 25, Font));
    TScrollbackViewer V(Con, Font);
    V.Draw();
    V.DrawGauge();
    EXPECT_EQ(std::tuple(V.Page(), V.Top(), V.Bottom(), Row(1), Row(22), Con.Cell(1, 1).Font),
              std::tuple(21, 78, 99, "line 78", "line 99", Font));
    EXPECT_EQ(std::tuple(Con.Cell(1, 23).Ch, Con.Cell(1, 25).Ch, Con.Cell(1, 24).Attr),
              std::tuple(220, 223, 112));
    EXPECT_EQ(Cells(Con, 1, 11, 24) + Cells(Con, 69, 80, 24), " Scrollback(  99/99  ) ");
    EXPECT_EQ(std::tuple(V.GaugeLength(), Con.Cell(67, 24).Ch, Con.Cell(67, 24).Attr),
              std::tuple(10, 178, 78));
    for (const auto& [X, Y] :
         {std::pair{1, 23}, {80, 23}, {58, 24}, {62, 24}, {67, 24}, {1, 25}, {80, 25}})
      EXPECT_EQ(Con.Cell(X, Y).Font, Block) << X << "," << Y;
  }
}

// Key code (32: the space bar), then the top and bottom line shown; a page is 21 lines, 24
// with the status rows hidden, and the last line stays at the bottom as they go.
TEST_F(ViewerTest, PagingMovesHUpAndHPlusOneDown) {
  const std::vector<std::tuple<int, int, int>> Steps = {
      {73, 57, 78},  {81, 78, 99},  {71, 0, 21},  // PgUp; PgDn to the end (99 <= 78 + 21); Home
      {81, 22, 43},  {80, 23, 44},  // Down
      {72, 22, 43},  {72, 21, 42},  // Up
      {75, 0, 21},   // Left pages like PgUp, stopping at the top
      {79, 78, 99},  // End
      {80, 78, 99},  // nothing below
      {32, 75, 99},  {32, 75, 96}};
  Fill(100);
  TScrollbackViewer V(Con, 1);
  V.Draw();
  for (auto [Code, Top, Bottom] : Steps) {
    if (Code == 32) V.Key(' '); else V.Key(0, static_cast<uint8_t>(Code));
    EXPECT_EQ(std::tuple(V.Top(), V.Bottom(), V.Page()), std::tuple(Top, Bottom, V.StatusShown() ? 21 : 24)) << Code;
    if (Code == 71) {
      EXPECT_EQ(Row(1) + "|" + std::to_string(V.GaugeLength()), "line 0|2");
    }
  }
  EXPECT_TRUE(V.StatusShown());
  // A short store shows everything from the top whatever is pressed.
  Fill(5);
  TScrollbackViewer Short(Con, 1);
  Short.Draw();
  for (uint8_t Code : {73, 81, 71}) Short.Key(0, Code);
  EXPECT_EQ(std::tuple(Short.Top(), Short.Bottom(), Row(5), Row(6), Short.GaugeLength()),
            std::tuple(0, 4, "line 4", "", 10));
}

// Whatever keys come, every row of the page shows the line that belongs there once, and rows
// past the store's last line are blank.
TEST_F(ViewerTest, ShortStoresShowEachLineOnceAndBlankBelow) {
  const std::vector<std::vector<int>> Presses = {{32, 32, 80}, {32, 32, 72, 80}, {32, 73, 32, 71, 32}};
  for (int N : {10, 23}) {
    for (const auto& Keys : Presses) {
      Fill(N);
      for (int Y = 1; Y <= 25; ++Y) Con.WriteXY(1, Y, 7, "junk");
      TScrollbackViewer V(Con, 1);
      V.Draw();
      for (int Key : Keys) {
        SCOPED_TRACE(testing::Message() << N << " lines, key " << Key);
        if (Key == 32) V.Key(' '); else V.Key(0, static_cast<uint8_t>(Key));
        for (int Y = 1; Y <= V.Page() + 1; ++Y) {
          const int Line = V.Top() + Y - 1;
          EXPECT_EQ(Row(Y), Line <= V.Bottom() ? "line " + std::to_string(Line) : "") << "row " << Y;
        }
        EXPECT_EQ(V.Bottom(), std::min(V.Top() + V.Page(), N - 1));
      }
    }
  }
}

// TAB switches the font family within the resolution; the text stays as it was.
TEST_F(ViewerTest, TabSwitchesFontFamilyWithinResolution) {
  Fill(30);
  TScrollbackViewer V(Con, 1), Big(Con, 3);
  V.Draw();
  V.Key(9);
  EXPECT_EQ(std::tuple(V.Font(), Con.Cell(1, 1).Font, Row(1)), std::tuple(2, 2, "line 8"));
  V.Key(9);
  Big.Key(9);
  EXPECT_EQ(std::tuple(V.Font(), Big.Font(), Big.Key(27)), std::tuple(1, 4, false));
}

}  // namespace
