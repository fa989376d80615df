// Font numbers, and what the large fonts add to plain doubling. (Every glyph of every font is
// held to libansilove in ansilove_test.cpp.)
#include <gtest/gtest.h>

#include "console/fonts.h"

namespace {

TEST(Fonts, NumbersOutOfRangeAndByHeight) {
  EXPECT_TRUE(&ConsoleFont(0) == &ConsoleFont(1) && &ConsoleFont(FontCount + 1) == &ConsoleFont(1));
  // The faces after the first two pair up 2F-1, 2F.
  EXPECT_EQ(std::tuple(FontForHeight(1, 32), FontForHeight(4, 16), FontForHeight(2, 16), FontForHeight(5, 32),
                       FontForHeight(46, 16)),
            std::tuple(3, 2, 2, 6, 45));
  EXPECT_STREQ(FontFaceFor(45).Name, "Amiga mO'sOul");
}

// Diagonals are rounded (some 2x2 block of the large glyph is mixed), while box drawing and
// solid glyphs are doubled exactly so that lines and blocks meet squarely.
TEST(Fonts, LargeFontsSmoothDiagonalsAndDoubleBoxesExactly) {
  const struct { uint8_t Small, Large, Ch; bool Smoothed; } Cases[] = {
      {1, 3, '/', true},   {1, 3, 'X', true},   {2, 4, '/', true},   {2, 4, 'v', true},
      {1, 3, 0xB0, false}, {1, 3, 0xB3, false}, {1, 3, 0xC4, false}, {1, 3, 0xC5, false},
      {1, 3, 0xC9, false}, {1, 3, 0xDB, false},
  };
  for (const auto& C : Cases) {
    const TFontRec& S = ConsoleFont(C.Small);
    const TFontRec& L = ConsoleFont(C.Large);
    int Differ = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 16; ++x) Differ += FontPixel(L, C.Ch, x, y) != FontPixel(S, C.Ch, x / 2, y / 2);
    EXPECT_EQ(Differ > 0, C.Smoothed) << "font " << int(C.Large) << " char " << int(C.Ch);
  }
  // Topaz has no full block; its solid glyph 160 (rows 0-13 of 16) must stay solid.
  int Top = 0, Bottom = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 16; ++x) (y < 28 ? Top : Bottom) += FontPixel(ConsoleFont(4), 0xA0, x, y);
  EXPECT_TRUE(Top == 16 * 28 && Bottom < 16 * 4) << Top << " " << Bottom;
}

}  // namespace
