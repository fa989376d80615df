// The built-in fonts, numbered as console/font_faces.h says: 1 code page 437 8x16, 2 Amiga
// Topaz 8x16, 3 and 4 the same at 16x32 with smoothed diagonals, then every other face at
// both sizes.
#pragma once

#include <array>
#include <cstdint>

#include "console/font_faces.h"

// 8x16: 16 bytes per character, one byte per pixel row, bit 7 leftmost.
// 16x32: 64 bytes per character, one little-endian 16-bit word per row, bit 0 leftmost.
struct TFontRec {
  uint8_t Height;
  uint8_t Width;
  std::array<uint8_t, 16384> Data;
};

// Font 1..FontCount; any other number gives font 1.
const TFontRec& ConsoleFont(uint8_t Number);

// Whether pixel (Px, Py) of character Ch is set in the font, 0-based from the top left.
bool FontPixel(const TFontRec& F, uint8_t Ch, int Px, int Py);

// The font of the same face whose cell is CellHeight pixels high (1 <-> 3, 2 <-> 4, 5 <-> 6 ...);
// a number outside the list counts as font 1.
uint8_t FontForHeight(uint8_t Number, int CellHeight);

// The face of a font (a number outside the list counts as font 1).
const TFontFace& FontFaceFor(uint8_t Number);
