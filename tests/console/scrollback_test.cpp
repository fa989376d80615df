// The scrollback store: what scrolling and clearing save, and the 2000-line limit.
#include <gtest/gtest.h>

#include "console/helpers.h"
#include "console/scrollback.h"

namespace {

std::string LineText(const TSDLConsoleScrollback& Con, int N) {
  std::string S;
  for (const TConsoleCell& C : Con.Line(N)) S += static_cast<char>(C.Ch);
  return S.erase(S.find_last_not_of(' ') + 1);
}

// Every saved line, oldest first, each ended by "|".
std::string Saved(const TSDLConsoleScrollback& Con) {
  std::string S;
  for (int N = 1; N <= Con.ScrollbackCount; ++N) S += LineText(Con, N) + "|";
  return S;
}

struct Scrollback : ::testing::Test {
  TSDLConsoleScrollback Con;
  Scrollback() { Con.ScrollbackEnabled = true; }
};

TEST_F(Scrollback, ClearingAndScrollingSaveWhatLeavesTheScreen) {
  for (int Y = 1; Y <= 10; ++Y)
    if (Y != 4) Con.WriteXY(1, Y, 7, "r" + std::to_string(Y));  // a blank row between is saved too
  Con.ClearScreen(2);
  Con.ClearScreen(2);  // a blank screen adds nothing
  EXPECT_EQ(Saved(Con), "r1|r2|r3||r5|r6|r7|r8|r9|r10|");
  // Only a line that really leaves the screen is kept: a region below a fixed header scrolls
  // its lines away under the header, not off the screen.
  Con.ClearScrollback();
  for (auto [Top, Bottom] : {std::pair{1, 25}, {2, 24}, {1, 10}, {5, 10}}) {
    for (int Y = 1; Y <= 25; ++Y) Con.WriteXY(1, Y, 7, "row " + std::to_string(Y) + "   ");
    Con.SetWindow(1, Top, 80, Bottom);
    Con.GotoXY(1, Bottom);
    Con.WriteChar(10);
  }
  EXPECT_EQ(Saved(Con), "row 1|row 1|");
  // Nothing while recording is off, nor from a form feed or a clear to the end.
  Con.ClearScrollback();
  Con.ScrollbackEnabled = false;
  Con.SetWindow(1, 1, 80, 25);
  Con.GotoXY(1, 25);
  Con.WriteChar(10);
  Con.ClearScreen(2);
  Con.ScrollbackEnabled = true;
  Con.WriteXY(1, 1, 7, "text");
  Con.ClearScreen(4);
  Con.ClearScreen(0);
  EXPECT_EQ(Con.ScrollbackCount, 0);
}

TEST_F(Scrollback, BlankMeansSpaceInAttribute7OrCharacterZero) {
  Con.WriteXY(160, 1, 7, "x");  // off the screen
  Con.WriteXY(5, 2, 0x70, " ");
  Con.PutCell(3, 3, TConsoleCell{0, 0x4F}, 1);
  EXPECT_EQ(std::tuple(Con.IsBlankRow(1), Con.IsBlankRow(2), Con.IsBlankRow(3)), std::tuple(true, false, true));
  Con.OpenScreen(160, 25, 1);
  Con.WriteXY(160, 4, 7, "x");
  EXPECT_FALSE(Con.IsBlankRow(4));
}

TEST_F(Scrollback, The2001stLineDropsTheOldestAndLinesKeepColoursAndFonts) {
  Con.GotoXY(1, 25);
  for (int i = 1; i <= 2001; ++i) {
    Con.WriteXY(1, 1, 7, std::to_string(i) + "    ");
    Con.WriteChar(10);
  }
  EXPECT_EQ(std::to_string(Con.ScrollbackCount) + ":" + LineText(Con, 1) + "|" + LineText(Con, 2000) + "|" +
                LineText(Con, 2001) + "|" + LineText(Con, 0),
            "2000:2|2001||");
  Con.ClearScrollback();
  EXPECT_EQ(Con.ScrollbackCount + LineText(Con, 1).size(), 0u);
  Con.GotoXY(1, 1);
  Con.SetFgRGB(5, 6, 7);
  Con.WriteCharFont('q', 2);
  Con.AddScrollbackLine(1);
  EXPECT_EQ(Con.Line(1)[0], (TConsoleCell{'q', 7, {5, 6, 7}, {}, 2, 2, 0}));
}

}  // namespace
