#include "console/mouse_map.h"

#include <algorithm>

namespace {

// One axis: the cell under Pos given the on-screen size of one cell.
int AxisCell(double Pos, double CellOnScreen, int Count) {
  int Cell = 1;
  if (Pos > 0 && CellOnScreen > 0) Cell = static_cast<int>(Pos / CellOnScreen) + 1;
  return std::clamp(Cell, 1, std::max(Count, 1));
}

}  // namespace

void MouseToCell(const TMouseGeometry& G, int PointerX, int PointerY, int& X, int& Y) {
  if (G.PixelWidth <= 0 || G.PixelHeight <= 0) {
    X = Y = 1;
    return;
  }
  if (G.Letterbox) {
    // The logical size may be a multiple of the picture (a window opened
    // scaled to the desktop); the texture is stretched over all of it.
    const double LogicalW = G.LogicalWidth > 0 ? G.LogicalWidth : G.PixelWidth;
    const double LogicalH = G.LogicalHeight > 0 ? G.LogicalHeight : G.PixelHeight;
    const double ShownW = LogicalW * G.RenderScaleX, ShownH = LogicalH * G.RenderScaleY;
    const double MarginX = (G.WindowWidth - ShownW) / 2, MarginY = (G.WindowHeight - ShownH) / 2;
    X = AxisCell(PointerX - MarginX, G.CellWidth * ShownW / G.PixelWidth, G.Cols);
    Y = AxisCell(PointerY - MarginY, G.CellHeight * ShownH / G.PixelHeight, G.Rows);
  } else {
    X = AxisCell(PointerX, G.CellWidth * static_cast<double>(G.WindowWidth) / G.PixelWidth, G.Cols);
    Y = AxisCell(PointerY, G.CellHeight * static_cast<double>(G.WindowHeight) / G.PixelHeight, G.Rows);
  }
}
