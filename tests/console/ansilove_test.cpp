// Every built-in font against libansilove's own rendering of the same screen: a binary-format
// file (character, attribute) drawn by the library and by our console, compared cell by cell.
// At 16x32 each 2x2 block must agree by majority with libansilove's pixel: the smoothing may
// round a corner but never change what a glyph shows.
#include <ansilove.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/fonts.h"

namespace {

constexpr int Cols = 80, Rows = 8;

// libansilove's picture of the screen in one of its fonts, as 0xRRGGBB; empty on failure.
std::vector<uint32_t> AnsilovePicture(std::vector<uint8_t> Screen, int Font) {
  ansilove_ctx Ctx{};
  ansilove_options Opt{};
  ansilove_init(&Ctx, &Opt);
  Opt.font = static_cast<uint8_t>(Font), Opt.bits = 8, Opt.columns = Cols, Opt.icecolors = true;
  Ctx.buffer = Screen.data(), Ctx.length = Screen.size();
  std::vector<uint32_t> Out;
  png_image Img{};
  Img.version = PNG_IMAGE_VERSION;
  if (ansilove_binary(&Ctx, &Opt) == 0 && png_image_begin_read_from_memory(&Img, Ctx.png.buffer, Ctx.png.length)) {
    Img.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> Rgb(PNG_IMAGE_SIZE(Img));
    if (Img.width == Cols * 8 && Img.height == Rows * 16 && png_image_finish_read(&Img, nullptr, Rgb.data(), 0, nullptr))
      for (size_t I = 0; I + 2 < Rgb.size(); I += 3) Out.push_back(Rgb[I] << 16 | Rgb[I + 1] << 8 | Rgb[I + 2]);
  }
  png_image_free(&Img);
  std::free(Ctx.png.buffer);  // the screen buffer is ours, only the picture is the library's
  return Out;
}

TEST(AnsiloveOracle, EveryFontAtBothSizesMatchesCellForCell) {
  // Every character twice: white on black, then in a spread of colours (iCE backgrounds).
  std::vector<uint8_t> Screen;
  for (int I = 0; I < Cols * Rows; ++I)
    Screen.insert(Screen.end(), {static_cast<uint8_t>(I), static_cast<uint8_t>(I < 256 ? 15 : I < 512 ? I ^ 0x5A : 7)});
  for (int N = 1; N <= FontCount; ++N) {
    const auto Font = static_cast<uint8_t>(N);
    const std::vector<uint32_t> Want = AnsilovePicture(Screen, FontFaceFor(Font).AnsiloveFont);
    ASSERT_FALSE(Want.empty()) << FontFaceFor(Font).Name;
    auto Con = std::make_unique<TSDLConsole>();
    ASSERT_TRUE(Con->OpenScreen(Cols, 25, IsLargeFont(Font) ? 3 : 1));
    Con->CursorHidden = true;
    for (int I = 0; I < Cols * Rows; ++I) {
      TConsoleCell Cell;
      Cell.Ch = Screen[2 * I], Cell.Attr = Screen[2 * I + 1];
      Con->PutCell(I % Cols + 1, I / Cols + 1, Cell, Font);
    }
    Con->ComposeFrame();
    const int S = IsLargeFont(Font) ? 2 : 1, W = Con->PixelWidth();
    int Wrong = 0, First = -1;
    for (int Y = 0; Y < Rows * 16; ++Y)
      for (int X = 0; X < Cols * 8; ++X) {
        // The colour most of the block shows; the smoothing never leaves a tie.
        const uint32_t* P = Con->Pixels() + Y * S * W + X * S;
        const std::vector<uint32_t> Block = S == 1 ? std::vector{P[0]} : std::vector{P[0], P[1], P[W], P[W + 1]};
        uint32_t Ours = P[0];
        for (uint32_t C : Block)
          if (std::count(Block.begin(), Block.end(), C) * 4 >= static_cast<long>(Block.size()) * 3) Ours = C;
        if ((Ours & 0xFFFFFF) != Want[Y * Cols * 8 + X] && Wrong++ == 0) First = Y / 16 * Cols + X / 8;
      }
    EXPECT_EQ(Wrong, 0) << "font " << N << " (" << FontFaceFor(Font).Name << "), first at cell " << First;
  }
}

}  // namespace
