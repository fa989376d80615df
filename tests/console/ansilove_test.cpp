// Every built-in font against libansilove's own rendering of the same screen: a binary-format
// file (character, attribute) drawn by the library and by our console, compared cell by cell.
// At 16x32 each 2x2 block must agree by majority with libansilove's pixel: the smoothing may
// round a corner but never change what a glyph shows.
#include <ansilove.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/fonts.h"

namespace {

constexpr int Cols = 80, Rows = 8;

// Every character twice: white on black, then in a spread of colours (iCE backgrounds).
std::vector<uint8_t> TestScreen() {
  std::vector<uint8_t> B;
  for (int I = 0; I < Cols * Rows; ++I) {
    const int Ch = I % 256;
    B.push_back(static_cast<uint8_t>(Ch));
    B.push_back(static_cast<uint8_t>(I < 256 ? 15 : I < 512 ? Ch ^ 0x5A : 7));
  }
  return B;
}

// libansilove's picture of the screen in one of its fonts, as 0xRRGGBB; empty on failure.
std::vector<uint32_t> AnsilovePicture(std::vector<uint8_t> Screen, int Font, std::string& Error) {
  ansilove_ctx Ctx{};
  ansilove_options Opt{};
  ansilove_init(&Ctx, &Opt);
  Opt.font = static_cast<uint8_t>(Font);
  Opt.bits = 8;
  Opt.columns = Cols;
  Opt.icecolors = true;
  Ctx.buffer = Screen.data();
  Ctx.length = Screen.size();
  std::vector<uint32_t> Out;
  if (ansilove_binary(&Ctx, &Opt) == 0) {
    png_image Img{};
    Img.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&Img, Ctx.png.buffer, Ctx.png.length)) {
      Img.format = PNG_FORMAT_RGB;
      std::vector<uint8_t> Rgb(PNG_IMAGE_SIZE(Img));
      if (Img.width == Cols * 8 && Img.height == Rows * 16 && png_image_finish_read(&Img, nullptr, Rgb.data(), 0, nullptr))
        for (size_t I = 0; I + 2 < Rgb.size(); I += 3) Out.push_back(Rgb[I] << 16 | Rgb[I + 1] << 8 | Rgb[I + 2]);
    }
    png_image_free(&Img);
  }
  if (Out.empty()) Error = std::string("libansilove: ") + ansilove_error(&Ctx);
  // The screen buffer is ours; only the picture is the library's to free.
  std::free(Ctx.png.buffer);
  return Out;
}

TEST(AnsiloveOracle, EveryFontAtBothSizesMatchesCellForCell) {
  const std::vector<uint8_t> Screen = TestScreen();
  for (int N = 1; N <= FontCount; ++N) {
    const auto Font = static_cast<uint8_t>(N);
    const TFontFace& Face = FontFaceFor(Font);
    std::string Error;
    const std::vector<uint32_t> Want = AnsilovePicture(Screen, Face.AnsiloveFont, Error);
    ASSERT_FALSE(Want.empty()) << Face.Name << ": " << Error;

    auto Con = std::make_unique<TSDLConsole>();
    ASSERT_TRUE(Con->OpenScreen(Cols, 25, IsLargeFont(Font) ? 3 : 1));
    Con->CursorHidden = true;
    for (int I = 0; I < Cols * Rows; ++I) {
      TConsoleCell Cell;
      Cell.Ch = Screen[2 * I];
      Cell.Attr = Screen[2 * I + 1];
      Con->PutCell(I % Cols + 1, I / Cols + 1, Cell, Font);
    }
    Con->ComposeFrame();
    const int S = IsLargeFont(Font) ? 2 : 1, W = Con->PixelWidth();
    int Wrong = 0;
    std::string First;
    for (int Y = 0; Y < Rows * 16; ++Y)
      for (int X = 0; X < Cols * 8; ++X) {
        // The colour most of the block shows; the smoothing never leaves a tie.
        uint32_t Ours = Con->Pixels()[Y * S * W + X * S] & 0xFFFFFF;
        if (S == 2) {
          const uint32_t* P = Con->Pixels() + (Y * 2) * W + X * 2;
          const uint32_t Block[4] = {P[0], P[1], P[W], P[W + 1]};
          for (uint32_t C : Block)
            if (std::count(Block, Block + 4, C) >= 3) Ours = C & 0xFFFFFF;
        }
        if (Ours == Want[Y * Cols * 8 + X]) continue;
        if (Wrong++ == 0) First = "cell " + std::to_string(X / 8 + 1) + "," + std::to_string(Y / 16 + 1);
      }
    EXPECT_EQ(Wrong, 0) << "font " << N << " (" << Face.Name << "), first at " << First;
  }
}

}  // namespace
