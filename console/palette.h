// The 16-colour and xterm 256-colour palettes as opaque 32-bit ARGB pixels.
#pragma once

#include <array>
#include <cstdint>

constexpr uint32_t MapRGB(uint8_t R, uint8_t G, uint8_t B) {
  return 0xFF000000u | (uint32_t(R) << 16) | (uint32_t(G) << 8) | B;
}

inline constexpr std::array<uint32_t, 16> Palette16 = {
    MapRGB(0, 0, 0),      MapRGB(0, 0, 170),    MapRGB(0, 170, 0),    MapRGB(0, 170, 170),
    MapRGB(170, 0, 0),    MapRGB(170, 0, 170),  MapRGB(170, 85, 0),   MapRGB(170, 170, 170),
    MapRGB(85, 85, 85),   MapRGB(85, 85, 255),  MapRGB(85, 255, 85),  MapRGB(85, 255, 255),
    MapRGB(255, 85, 85),  MapRGB(255, 85, 255), MapRGB(255, 255, 85), MapRGB(255, 255, 255)};

namespace palette_detail {
constexpr std::array<uint32_t, 256> Make256() {
  std::array<uint32_t, 256> P{};
  constexpr uint8_t Base[16][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128},   {0, 128, 128}, {192, 192, 192},
                                   {128, 128, 128}, {255, 0, 0},     {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
  for (int i = 0; i < 16; ++i) P[i] = MapRGB(Base[i][0], Base[i][1], Base[i][2]);
  constexpr uint8_t Level[6] = {0, 95, 135, 175, 215, 255};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) P[16 + 36 * r + 6 * g + b] = MapRGB(Level[r], Level[g], Level[b]);
  for (int k = 0; k < 24; ++k) {
    const auto v = static_cast<uint8_t>(8 + 10 * k);
    P[232 + k] = MapRGB(v, v, v);
  }
  return P;
}
}  // namespace palette_detail

inline constexpr std::array<uint32_t, 256> Palette256 = palette_detail::Make256();
