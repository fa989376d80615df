#include "console/fonts.h"

#include <cstring>
#include <memory>

// Written by the font generator at build time from libansilove's fonts, in font-number order.
extern const unsigned char FontGlyphs[];

namespace {

// Filled once from the generated glyphs, before the first glyph is drawn.
const std::array<TFontRec, FontCount>& Table() {
  static const std::unique_ptr<std::array<TFontRec, FontCount>> Fonts = [] {
    auto T = std::make_unique<std::array<TFontRec, FontCount>>();
    const unsigned char* From = FontGlyphs;
    for (int N = 1; N <= FontCount; ++N) {
      TFontRec& F = (*T)[N - 1];
      const bool Large = IsLargeFont(static_cast<uint8_t>(N));
      F.Height = Large ? 32 : 16;
      F.Width = Large ? 16 : 8;
      F.Data.fill(0);
      const size_t Size = Large ? 16384 : 4096;
      std::memcpy(F.Data.data(), From, Size);
      From += Size;
    }
    return T;
  }();
  return *Fonts;
}

uint8_t Known(uint8_t Number) { return Number < 1 || Number > FontCount ? 1 : Number; }

}  // namespace

const TFontRec& ConsoleFont(uint8_t Number) { return Table()[Known(Number) - 1]; }

bool FontPixel(const TFontRec& F, uint8_t Ch, int Px, int Py) {
  if (Px < 0 || Py < 0 || Px >= F.Width || Py >= F.Height) return false;
  if (F.Width == 8) return (F.Data[Ch * 16 + Py] >> (7 - Px)) & 1;
  const unsigned Word = F.Data[Ch * 64 + 2 * Py] | (F.Data[Ch * 64 + 2 * Py + 1] << 8);
  return (Word >> Px) & 1;
}

uint8_t FontForHeight(uint8_t Number, int CellHeight) {
  Number = Known(Number);
  if (CellHeight != 16 && CellHeight != 32) return Number;
  return FontNumber(FontFaceOf(Number), CellHeight == 32);
}

const TFontFace& FontFaceFor(uint8_t Number) { return FontFaces[FontFaceOf(Known(Number)) - 1]; }
