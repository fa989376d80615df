// Mapping a window pixel to a 1-based screen cell.
#pragma once

struct TMouseGeometry {
  int WindowWidth = 0, WindowHeight = 0;  // window size in screen pixels
  int PixelWidth = 0, PixelHeight = 0;    // the console picture (Cols x cell width, ...)
  int CellWidth = 8, CellHeight = 16;
  int Cols = 80, Rows = 25;
  bool Letterbox = false;  // the renderer keeps a logical size and centres the picture
  // Letterbox only: the renderer's scale and its logical size (0 = the picture size).
  float RenderScaleX = 1.0f, RenderScaleY = 1.0f;
  int LogicalWidth = 0, LogicalHeight = 0;
};

// X and Y come back limited to 1..Cols and 1..Rows.
void MouseToCell(const TMouseGeometry& G, int PointerX, int PointerY, int& X, int& Y);
