#include "console/fonts.h"

// Filled by the font generator at build time from libansilove's fonts.
extern const std::array<TFontRec, FontCount> BuiltinFonts;

const TFontRec& ConsoleFont(uint8_t Number) {
  if (Number < 1 || Number > FontCount) Number = 1;
  return BuiltinFonts[Number - 1];
}

bool FontPixel(const TFontRec& F, uint8_t Ch, int Px, int Py) {
  if (Px < 0 || Py < 0 || Px >= F.Width || Py >= F.Height) return false;
  if (F.Width == 8) return (F.Data[Ch * 16 + Py] >> (7 - Px)) & 1;
  const unsigned Word = F.Data[Ch * 64 + 2 * Py] | (F.Data[Ch * 64 + 2 * Py + 1] << 8);
  return (Word >> Px) & 1;
}

uint8_t FontForHeight(uint8_t Number, int CellHeight) {
  if (Number < 1 || Number > FontCount) Number = 1;
  if (ConsoleFont(Number).Height == CellHeight) return Number;
  const uint8_t Sibling = Number <= 2 ? Number + 2 : Number - 2;
  return ConsoleFont(Sibling).Height == CellHeight ? Sibling : Number;
}
