// The built-in font faces and their numbers. Every face exists at 8x16 and, doubled with
// smoothed diagonals, at 16x32; a font number names one face at one size. Cells, phone-book
// entries and the README use these numbers: they never change, new faces only join the end.
//   1 CP437 8x16, 2 Topaz 8x16, 3 CP437 16x32, 4 Topaz 16x32 (the first four fonts);
//   face F >= 3: 2F - 1 at 8x16, 2F at 16x32.
// Shared by the program and the font generator, so it needs nothing but the standard library.
#pragma once

#include <array>
#include <cstdint>

struct TFontFace {
  const char* Name;   // as the font menu lists it
  const char* Short;  // at most 9 characters, for the status bar
  int AnsiloveFont;   // libansilove's number of the face (its -f option)
  bool Amiga;         // an Amiga face: Latin-1 layout, no block graphics
};

inline constexpr std::array<TFontFace, 23> FontFaces = {{
    {"MS-DOS CP437", "CP437", 1, false},
    {"Amiga Topaz", "Topaz", 34, true},
    {"CP737 Greek", "CP737", 3, false},
    {"CP775 Baltic", "CP775", 4, false},
    {"CP850 Latin-1", "CP850", 5, false},
    {"CP852 Latin-2", "CP852", 6, false},
    {"CP855 Cyrillic", "CP855", 7, false},
    {"CP857 Turkish", "CP857", 8, false},
    {"CP860 Portuguese", "CP860", 9, false},
    {"CP861 Icelandic", "CP861", 10, false},
    {"CP862 Hebrew", "CP862", 11, false},
    {"CP863 French-Canadian", "CP863", 12, false},
    {"CP865 Nordic", "CP865", 13, false},
    {"CP866 Russian", "CP866", 14, false},
    {"CP869 Greek", "CP869", 15, false},
    {"Terminus", "Terminus", 20, false},
    {"Amiga Topaz+", "Topaz+", 35, true},
    {"Amiga Topaz 500", "Topaz500", 36, true},
    {"Amiga Topaz 500+", "Topaz500+", 37, true},
    {"Amiga MicroKnight", "MKnight", 30, true},
    {"Amiga MicroKnight+", "MKnight+", 31, true},
    {"Amiga P0T-NOoDLE", "PotNoodle", 33, true},
    {"Amiga mO'sOul", "mO'sOul", 32, true},
}};

inline constexpr int FontFaceCount = static_cast<int>(FontFaces.size());
inline constexpr int FontCount = 2 * FontFaceCount;

// Face 1..FontFaceCount at 8x16 or 16x32; 0 for a face outside the list.
constexpr uint8_t FontNumber(int Face, bool Large) {
  if (Face < 1 || Face > FontFaceCount) return 0;
  if (Face <= 2) return static_cast<uint8_t>(Face + (Large ? 2 : 0));
  return static_cast<uint8_t>(2 * Face - 1 + (Large ? 1 : 0));
}
// The face (1-based) of a font number; 0 for a number outside 1..FontCount.
constexpr int FontFaceOf(uint8_t Number) {
  if (Number < 1 || Number > FontCount) return 0;
  return Number <= 4 ? (Number - 1) % 2 + 1 : (Number + 1) / 2;
}
constexpr bool IsLargeFont(uint8_t Number) { return Number <= 4 ? Number >= 3 : Number % 2 == 0; }
