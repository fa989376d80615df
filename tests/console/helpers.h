// Small readers of console state shared by the console tests.
#pragma once

#include <string>

#include "console/console.h"

// The characters of row Y, columns 1..Cols (trailing spaces kept).
inline std::string RowText(const TSDLConsole& Con, int Y) {
  std::string S;
  for (int X = 1; X <= Con.Cols; ++X) S += static_cast<char>(Con.Cell(X, Y).Ch);
  return S;
}

inline std::string RowTextTrimmed(const TSDLConsole& Con, int Y) {
  std::string S = RowText(Con, Y);
  while (!S.empty() && S.back() == ' ') S.pop_back();
  return S;
}

// The ARGB pixel at (Px, Py) of the cell at (X, Y), 0-based inside the cell.
inline uint32_t CellPixel(const TSDLConsole& Con, int X, int Y, int Px, int Py) {
  const int Gx = (X - 1) * Con.CellWidth() + Px;
  const int Gy = (Y - 1) * Con.CellHeight() + Py;
  return Con.Pixels()[Gy * (Con.PixelPitch() / 4) + Gx];
}
