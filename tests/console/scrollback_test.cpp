// The scrollback store: what scrolling and clearing save, and the 2000-line limit.
#include <gtest/gtest.h>

#include <string>

#include "console/helpers.h"
#include "console/scrollback.h"

namespace {

std::string LineText(const TSDLConsoleScrollback& Con, int N) {
  std::string S;
  for (const TConsoleCell& C : Con.Line(N)) S += static_cast<char>(C.Ch);
  while (!S.empty() && S.back() == ' ') S.pop_back();
  return S;
}

struct Scrollback : ::testing::Test {
  TSDLConsoleScrollback Con;
  Scrollback() { Con.ScrollbackEnabled = true; }
};

TEST_F(Scrollback, ClearScreenSavesRowsUpToTheLastNonBlankOne) {
  for (int Y = 1; Y <= 10; ++Y) {
    if (Y == 4) continue;   // a blank row between written ones is saved too
    Con.WriteXY(1, Y, 7, "row " + std::to_string(Y));
  }
  Con.ClearScreen(2);
  ASSERT_EQ(Con.ScrollbackCount, 10);
  EXPECT_EQ(LineText(Con, 1), "row 1");
  EXPECT_EQ(LineText(Con, 4), "");
  EXPECT_EQ(LineText(Con, 10), "row 10");
  Con.ClearScreen(2);
  EXPECT_EQ(Con.ScrollbackCount, 10);   // a blank screen adds nothing
}

TEST_F(Scrollback, BlankMeansSpaceInAttribute7OrCharacterZero) {
  Con.WriteXY(160, 2, 7, " ");
  EXPECT_TRUE(Con.IsBlankRow(2));
  Con.WriteXY(5, 2, 0x70, " ");
  EXPECT_FALSE(Con.IsBlankRow(2));
  TConsoleCell Zero{};
  Zero.Ch = 0;
  Zero.Attr = 0x4F;
  Con.PutCell(3, 3, Zero, 1);
  EXPECT_TRUE(Con.IsBlankRow(3));
  Con.OpenScreen(160, 25, 1);
  Con.WriteXY(160, 4, 7, "x");
  EXPECT_FALSE(Con.IsBlankRow(4));
}

// Only a line that really leaves the screen is kept: a region below a fixed header scrolls
// its lines away under the header, not off the screen.
TEST_F(Scrollback, ScrollingKeepsTheLineLeavingARegionThatStartsAtTheTop) {
  struct TCase {
    int Top, Bottom;
    int Kept;
  } Cases[] = {{1, 25, 1}, {1, 10, 1}, {2, 24, 0}, {5, 10, 0}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << "region " << C.Top << ".." << C.Bottom);
    Con.ClearScrollback();
    for (int Y = 1; Y <= 25; ++Y) Con.WriteXY(1, Y, 7, "row " + std::to_string(Y));
    Con.SetWindow(1, C.Top, 80, C.Bottom);
    Con.GotoXY(1, C.Bottom);
    Con.WriteChar(10);
    ASSERT_EQ(Con.ScrollbackCount, C.Kept);
    if (C.Kept) {
      EXPECT_EQ(LineText(Con, 1), "row 1");
    }
    EXPECT_EQ(RowTextTrimmed(Con, C.Top), "row " + std::to_string(C.Top + 1));
  }
}

TEST_F(Scrollback, NothingIsSavedWhileRecordingIsOffOrOnFormFeed) {
  Con.ScrollbackEnabled = false;
  Con.WriteXY(1, 1, 7, "menu");
  Con.GotoXY(1, 25);
  Con.WriteChar(10);
  Con.ClearScreen(2);
  EXPECT_EQ(Con.ScrollbackCount, 0);
  Con.ScrollbackEnabled = true;
  Con.WriteXY(1, 1, 7, "text");
  Con.ClearScreen(4);
  Con.ClearScreen(0);
  EXPECT_EQ(Con.ScrollbackCount, 0);
}

TEST_F(Scrollback, The2001stLineDropsTheOldest) {
  Con.GotoXY(1, 25);
  for (int i = 1; i <= 2001; ++i) {
    Con.WriteXY(1, 1, 7, std::to_string(i) + "    ");
    Con.WriteChar(10);
  }
  EXPECT_EQ(Con.ScrollbackCount, 2000);
  EXPECT_EQ(LineText(Con, 1), "2");
  EXPECT_EQ(LineText(Con, 2000), "2001");
  EXPECT_EQ(LineText(Con, 2001), "");
  EXPECT_EQ(LineText(Con, 0), "");
  Con.ClearScrollback();
  EXPECT_EQ(Con.ScrollbackCount, 0);
  EXPECT_EQ(LineText(Con, 1), "");
}

TEST_F(Scrollback, SavedLinesKeepColoursAndFonts) {
  Con.SetFgRGB(5, 6, 7);
  Con.WriteCharFont('q', 2);
  Con.AddScrollbackLine(1);
  const TConsoleCell& C = Con.Line(1)[0];
  EXPECT_EQ(C.Ch, 'q');
  EXPECT_EQ(C.Font, 2);
  EXPECT_EQ(C.FgMode, 2);
  EXPECT_EQ(C.Fg[2], 7);
}

}  // namespace
