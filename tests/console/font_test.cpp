// The built-in fonts against known glyphs, and the smoothing of the large fonts.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "console/fonts.h"

namespace {

std::array<uint8_t, 16> Rows8(uint8_t FontNo, uint8_t Ch) {
  std::array<uint8_t, 16> R{};
  const TFontRec& F = ConsoleFont(FontNo);
  for (int i = 0; i < 16; ++i) R[i] = F.Data[Ch * 16 + i];
  return R;
}

using G = std::array<uint8_t, 16>;

// (Cell sizes show in the picture sizes of the render and model tests.)
TEST(Fonts, NumbersOutOfRangeAndByHeight) {
  EXPECT_EQ(&ConsoleFont(0), &ConsoleFont(1));
  EXPECT_EQ(&ConsoleFont(FontCount + 1), &ConsoleFont(1));
  EXPECT_EQ(FontForHeight(1, 32), 3);
  EXPECT_EQ(FontForHeight(4, 16), 2);
  EXPECT_EQ(FontForHeight(2, 16), 2);
  EXPECT_EQ(FontForHeight(5, 32), 6);    // the faces after the first two pair up 2F-1, 2F
  EXPECT_EQ(FontForHeight(46, 16), 45);
  EXPECT_STREQ(FontFaceFor(45).Name, "Amiga mO'sOul");
}

TEST(Fonts, IbmGlyphsMatchTheVgaFont) {
  // The zero has its inner dot, unlike other 8x16 console fonts.
  EXPECT_EQ(Rows8(1, '0'), (G{0, 0, 0x38, 0x6c, 0xc6, 0xc6, 0xd6, 0xd6, 0xc6, 0xc6, 0x6c, 0x38, 0, 0, 0, 0}));
  EXPECT_EQ(Rows8(1, 'A'), (G{0, 0, 0x10, 0x38, 0x6c, 0xc6, 0xc6, 0xfe, 0xc6, 0xc6, 0xc6, 0xc6, 0, 0, 0, 0}));
  G Light, Medium, Dark, Vertical, Horizontal, Cross;
  for (int i = 0; i < 16; ++i) {
    Light[i] = i % 2 ? 0x44 : 0x11;
    Medium[i] = i % 2 ? 0xaa : 0x55;
    Dark[i] = i % 2 ? 0x77 : 0xdd;
    Vertical[i] = 0x18;
    Horizontal[i] = i == 7 ? 0xff : 0;
    Cross[i] = i == 7 ? 0xff : 0x18;
  }
  EXPECT_EQ(Rows8(1, 0xB0), Light);
  EXPECT_EQ(Rows8(1, 0xB1), Medium);
  EXPECT_EQ(Rows8(1, 0xB2), Dark);
  EXPECT_EQ(Rows8(1, 0xB3), Vertical);
  EXPECT_EQ(Rows8(1, 0xC4), Horizontal);
  EXPECT_EQ(Rows8(1, 0xC5), Cross);
}

TEST(Fonts, TopazGlyphsAreDoubledRowsInLatin1) {
  EXPECT_EQ(Rows8(2, 'A'), (G{0x3c, 0x3c, 0x66, 0x66, 0x66, 0x66, 0x7e, 0x7e, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0, 0}));
  EXPECT_EQ(Rows8(2, 'g'), (G{0, 0, 0, 0, 0x3e, 0x3e, 0x66, 0x66, 0x66, 0x66, 0x3e, 0x3e, 0x06, 0x06, 0x3c, 0x3c}));
  EXPECT_EQ(Rows8(2, 0xE9), (G{0x0c, 0x0c, 0x18, 0x18, 0x3c, 0x3c, 0x66, 0x66, 0x7e, 0x7e, 0x60, 0x60, 0x3c, 0x3c, 0, 0}));
}

bool AllSet(uint8_t FontNo, uint8_t Ch, int FromRow, int ToRow) {
  const TFontRec& F = ConsoleFont(FontNo);
  for (int y = FromRow; y <= ToRow; ++y)
    for (int x = 0; x < F.Width; ++x)
      if (!FontPixel(F, Ch, x, y)) return false;
  return true;
}

TEST(Fonts, SolidGlyphsStaySolidInEveryFont) {
  EXPECT_TRUE(AllSet(1, 0xDB, 0, 15));
  EXPECT_TRUE(AllSet(3, 0xDB, 0, 31));
  // Topaz is Latin-1 and has no full block; its solid glyph 160 (rows 0-13) must stay solid.
  EXPECT_TRUE(AllSet(2, 0xA0, 0, 13));
  EXPECT_TRUE(AllSet(4, 0xA0, 0, 27));
  EXPECT_FALSE(AllSet(4, 0xA0, 28, 31));
}

// Every ink pixel of the small glyph is ink in the large one, and the large one differs from
// plain doubling exactly where a diagonal gets rounded: some 2x2 block is not uniform.
void CheckSmoothed(uint8_t Small, uint8_t Large, uint8_t Ch) {
  const TFontRec& S = ConsoleFont(Small);
  const TFontRec& L = ConsoleFont(Large);
  int Mixed = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) {
      const int Ink = FontPixel(L, Ch, 2 * x, 2 * y) + FontPixel(L, Ch, 2 * x + 1, 2 * y) +
                      FontPixel(L, Ch, 2 * x, 2 * y + 1) + FontPixel(L, Ch, 2 * x + 1, 2 * y + 1);
      if (Ink != 0 && Ink != 4) ++Mixed;
      if (FontPixel(S, Ch, x, y)) EXPECT_GE(Ink, 3) << "char " << int(Ch) << " at " << x << "," << y;
      else EXPECT_LE(Ink, 1) << "char " << int(Ch) << " at " << x << "," << y;
    }
  EXPECT_GT(Mixed, 0) << "char " << int(Ch) << " is plainly doubled";
}

TEST(Fonts, LargeFontsSmoothDiagonals) {
  CheckSmoothed(1, 3, '/');
  CheckSmoothed(1, 3, 'X');
  CheckSmoothed(2, 4, '/');
  CheckSmoothed(2, 4, 'v');
  // A diagonal step in '/' of font 3: the corner between two diagonal pixels is filled.
  const TFontRec& L = ConsoleFont(3);
  int Filled = 0;
  for (int y = 0; y < 32; ++y) {
    int Count = 0;
    for (int x = 0; x < 16; ++x) Count += FontPixel(L, '/', x, y);
    if (Count == 3) ++Filled;   // plain doubling only ever gives even counts per row
  }
  EXPECT_GT(Filled, 0);
}

TEST(Fonts, BoxDrawingIsDoubledSoLinesMeetSquarely) {
  const TFontRec& S = ConsoleFont(1);
  const TFontRec& L = ConsoleFont(3);
  for (uint8_t Ch : {uint8_t(0xB0), uint8_t(0xB3), uint8_t(0xC4), uint8_t(0xC5), uint8_t(0xC9), uint8_t(0xDB)})
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 16; ++x)
        EXPECT_EQ(FontPixel(L, Ch, x, y), FontPixel(S, Ch, x / 2, y / 2)) << int(Ch);
}

}  // namespace
