#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "app/scrollback_view.h"

namespace {

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
    std::string S;
    for (int X = 1; X <= 12; ++X) S += static_cast<char>(Con.Cell(X, Y).Ch);
    while (!S.empty() && S.back() == ' ') S.pop_back();
    return S;
  }
  TSDLConsoleScrollback Con;
};

TEST_F(ViewerTest, OpensAtTheEndWithStatusArea) {
  Fill(100);
  TScrollbackViewer V(Con, 1);
  V.Draw();
  V.DrawGauge();
  EXPECT_EQ(std::tuple(V.Page(), V.Top(), V.Bottom(), Row(1), Row(22)), std::tuple(21, 78, 99, "line 78", "line 99"));
  EXPECT_EQ(std::tuple(Con.Cell(1, 23).Ch, Con.Cell(1, 25).Ch, Con.Cell(1, 24).Attr), std::tuple(220, 223, 112));
  std::string Status;
  for (int X = 1; X <= 80; ++X) Status += static_cast<char>(Con.Cell(X, 24).Ch);
  EXPECT_EQ(Status.substr(0, 11) + Status.substr(68, 12), " Scrollback(  99/99  ) ");
  EXPECT_EQ(V.GaugeLength(), 10);
  EXPECT_EQ(std::tuple(Con.Cell(67, 24).Ch, Con.Cell(67, 24).Attr), std::tuple(178, 78));
}

// Key code (32: the space bar), then the top and bottom line shown; a page is 21 lines, 24
// with the status rows hidden, and the last line stays at the bottom as they go.
TEST_F(ViewerTest, PagingMovesHUpAndHPlusOneDown) {
  const std::vector<std::tuple<int, int, int>> Steps = {
      {73, 57, 78},  // PgUp
      {81, 78, 99},  // PgDn: back to the end (99 <= 78 + 21)
      {71, 0, 21},   // Home
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

TEST_F(ViewerTest, StatusRowsAndGaugeUseTheBlockFontOnATopazConsole) {
  for (auto [Font, Block] : {std::pair{2, 1}, std::pair{4, 3}}) {
    SCOPED_TRACE(Font);
    Fill(100);
    ASSERT_TRUE(Con.OpenScreen(80, 25, static_cast<uint8_t>(Font)));
    TScrollbackViewer V(Con, static_cast<uint8_t>(Font));
    V.Draw();
    V.DrawGauge();
    for (int X : {1, 58, 62, 67, 80}) EXPECT_EQ(Con.Cell(X, X == 1 || X == 80 ? 23 : 24).Font, Block) << X;
    EXPECT_EQ(std::pair(int(Con.Cell(1, 25).Font), int(Con.Cell(80, 25).Font)), std::pair(Block, Block));
    EXPECT_EQ(Con.Cell(67, 24).Attr, 78);
    EXPECT_EQ(Con.Cell(1, 1).Font, Font);  // the stored text keeps the viewer font
  }
}

TEST_F(ViewerTest, TabSwitchesFontFamilyWithinResolution) {
  Fill(30);
  TScrollbackViewer V(Con, 1);
  V.Draw();
  V.Key(9);
  EXPECT_EQ(std::tuple(V.Font(), Con.Cell(1, 1).Font, Row(1)), std::tuple(2, 2, "line 8"));  // the text is unchanged
  V.Key(9);
  EXPECT_EQ(V.Font(), 1);
  TScrollbackViewer Big(Con, 3);
  Big.Key(9);
  EXPECT_EQ(Big.Font(), 4);
  EXPECT_FALSE(Big.Key(27));
}

}  // namespace
