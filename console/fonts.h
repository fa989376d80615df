// The four built-in fonts: 1 code page 437 8x16, 2 Amiga Topaz 8x16, 3 and 4 the same at
// 16x32 with smoothed diagonals.
#pragma once

#include <array>
#include <cstdint>

// 8x16: 16 bytes per character, one byte per pixel row, bit 7 leftmost.
// 16x32: 64 bytes per character, one little-endian 16-bit word per row, bit 0 leftmost.
struct TFontRec {
  uint8_t Height;
  uint8_t Width;
  std::array<uint8_t, 16384> Data;
};

inline constexpr int FontCount = 4;

// Font 1..4; any other number gives font 1.
const TFontRec& ConsoleFont(uint8_t Number);

// Whether pixel (Px, Py) of character Ch is set in the font, 0-based from the top left.
bool FontPixel(const TFontRec& F, uint8_t Ch, int Px, int Py);

// The font of the same design whose cell is CellHeight pixels high (1 <-> 3, 2 <-> 4).
uint8_t FontForHeight(uint8_t Number, int CellHeight);
