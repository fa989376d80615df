#include <gtest/gtest.h>

#include "console/mouse_map.h"

namespace {

std::pair<int, int> Cell(const TMouseGeometry& G, int PX, int PY) {
  int X = -1, Y = -1;
  MouseToCell(G, PX, PY, X, Y);
  return {X, Y};
}

TMouseGeometry Screen80x25() {
  TMouseGeometry G;
  G.PixelWidth = 640;
  G.PixelHeight = 400;
  G.WindowWidth = 640;
  G.WindowHeight = 400;
  return G;
}

TEST(MouseCell, StretchedWindowAtScaleOneAndTwo) {
  TMouseGeometry G = Screen80x25();
  EXPECT_EQ(Cell(G, 0, 0), std::make_pair(1, 1));
  EXPECT_EQ(Cell(G, 7, 15), std::make_pair(1, 1));
  EXPECT_EQ(Cell(G, 8, 16), std::make_pair(2, 2));
  EXPECT_EQ(Cell(G, 639, 399), std::make_pair(80, 25));
  G.WindowWidth = 1280;
  G.WindowHeight = 800;
  EXPECT_EQ(Cell(G, 15, 31), std::make_pair(1, 1));
  EXPECT_EQ(Cell(G, 16, 32), std::make_pair(2, 2));
  EXPECT_EQ(Cell(G, 1279, 799), std::make_pair(80, 25));
}

TEST(MouseCell, LetterboxMarginsAreSubtracted) {
  TMouseGeometry G = Screen80x25();
  G.Letterbox = true;
  EXPECT_EQ(Cell(G, 8, 16), std::make_pair(2, 2));
  // A 1400 x 800 window shows the 2x picture with 60-pixel bars left and right.
  G.WindowWidth = 1400;
  G.WindowHeight = 800;
  G.RenderScaleX = G.RenderScaleY = 2.0f;
  EXPECT_EQ(Cell(G, 30, 100), std::make_pair(1, 4));   // in the bar
  EXPECT_EQ(Cell(G, 60 + 15, 0), std::make_pair(1, 1));
  EXPECT_EQ(Cell(G, 60 + 16, 32), std::make_pair(2, 2));
  EXPECT_EQ(Cell(G, 60 + 1279, 799), std::make_pair(80, 25));
  EXPECT_EQ(Cell(G, 1390, 799), std::make_pair(80, 25));  // right bar clamps
}

TEST(MouseCell, LetterboxWithALogicalSizeLargerThanThePicture) {
  // Opened scaled to the desktop: logical size 1280 x 800, window 1280 x 800.
  TMouseGeometry G = Screen80x25();
  G.Letterbox = true;
  G.WindowWidth = 1280;
  G.WindowHeight = 800;
  G.LogicalWidth = 1280;
  G.LogicalHeight = 800;
  EXPECT_EQ(Cell(G, 16, 32), std::make_pair(2, 2));
  EXPECT_EQ(Cell(G, 1279, 799), std::make_pair(80, 25));
}

TEST(MouseCell, LargeFontAndWideScreen) {
  TMouseGeometry G;
  G.Cols = 160;
  G.Rows = 60;
  G.CellWidth = 16;
  G.CellHeight = 32;
  G.PixelWidth = G.WindowWidth = 2560;
  G.PixelHeight = G.WindowHeight = 1920;
  EXPECT_EQ(Cell(G, 16 * 159, 32 * 59), std::make_pair(160, 60));
  EXPECT_EQ(Cell(G, 5000, -20), std::make_pair(160, 1));
}

}  // namespace
