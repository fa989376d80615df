// Writes the built-in fonts (console/font_faces.h) as a C++ source file.
//
// The 8x16 glyphs come from libansilove: a binary-format screen holding every byte once is
// rendered to PNG in memory, decoded, and each 8x16 cell is read back. The 16x32 fonts are
// those glyphs doubled with Scale2x, which rounds diagonals instead of stair-stepping them.
// The glyphs go out as one string literal in font-number order (4096 bytes for an 8x16 font,
// 16384 for a 16x32 one): a compiler reads that far faster than a list of numbers.
//
// usage: lx_fontgen <output.cpp>
#include <ansilove.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "console/font_faces.h"

namespace {

constexpr int Chars = 256;
constexpr int PerRow = 16;   // characters per rendered row

using TGlyph8 = std::array<std::array<uint8_t, 8>, 16>;     // [y][x], 1 = ink
using TGlyph16 = std::array<std::array<uint8_t, 16>, 32>;

bool RenderFont(uint8_t AnsiloveFont, std::array<TGlyph8, Chars>& Out, std::string& Error) {
  // Binary format: character then attribute; 15 is white on black.
  std::vector<uint8_t> Screen(Chars * 2);
  for (int c = 0; c < Chars; ++c) {
    Screen[2 * c] = static_cast<uint8_t>(c);
    Screen[2 * c + 1] = 0x0F;
  }
  ansilove_ctx Ctx{};
  ansilove_options Opt{};
  if (ansilove_init(&Ctx, &Opt) != 0) {
    Error = "ansilove_init failed";
    return false;
  }
  Opt.font = AnsiloveFont;
  Opt.bits = 8;
  Opt.columns = PerRow;
  Opt.mode = 0;
  // The library only reads the buffer; it is ours and freed by the vector, not by ansilove_clean.
  Ctx.buffer = Screen.data();
  Ctx.length = Screen.size();
  Ctx.maplen = 0;
  if (ansilove_binary(&Ctx, &Opt) != 0) {
    Error = std::string("ansilove_binary: ") + ansilove_error(&Ctx);
    Ctx.buffer = nullptr;
    ansilove_clean(&Ctx);
    return false;
  }
  png_image Img;
  std::memset(&Img, 0, sizeof Img);
  Img.version = PNG_IMAGE_VERSION;
  bool Ok = png_image_begin_read_from_memory(&Img, Ctx.png.buffer, Ctx.png.length) != 0;
  std::vector<uint8_t> Gray;
  if (Ok) {
    Img.format = PNG_FORMAT_GRAY;
    Gray.resize(PNG_IMAGE_SIZE(Img));
    Ok = png_image_finish_read(&Img, nullptr, Gray.data(), 0, nullptr) != 0;
  }
  if (!Ok) Error = std::string("PNG decode: ") + Img.message;
  png_image_free(&Img);
  // ansilove_clean would free the screen buffer, which belongs to the vector.
  Ctx.buffer = nullptr;
  std::free(Ctx.png.buffer);
  Ctx.png.buffer = nullptr;
  if (!Ok) return false;
  const int W = static_cast<int>(Img.width), H = static_cast<int>(Img.height);
  if (W != PerRow * 8 || H != (Chars / PerRow) * 16) {
    Error = "unexpected picture size " + std::to_string(W) + "x" + std::to_string(H);
    return false;
  }
  for (int c = 0; c < Chars; ++c) {
    const int X0 = (c % PerRow) * 8, Y0 = (c / PerRow) * 16;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 8; ++x) Out[c][y][x] = Gray[(Y0 + y) * W + X0 + x] >= 128 ? 1 : 0;
  }
  return true;
}

// Scale2x: each pixel becomes four; a corner takes the colour of the two neighbours that meet
// there when they agree and the opposite ones do not. Pixels past the edge repeat the edge,
// so lines and blocks that run to the cell border stay whole.
TGlyph16 Scale2x(const TGlyph8& G) {
  auto At = [&](int x, int y) {
    x = x < 0 ? 0 : (x > 7 ? 7 : x);
    y = y < 0 ? 0 : (y > 15 ? 15 : y);
    return G[y][x];
  };
  TGlyph16 Out{};
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 8; ++x) {
      const uint8_t P = G[y][x], A = At(x, y - 1), B = At(x + 1, y), C = At(x - 1, y), D = At(x, y + 1);
      uint8_t E0 = P, E1 = P, E2 = P, E3 = P;
      if (B != C && A != D) {
        E0 = C == A ? A : P;
        E1 = A == B ? B : P;
        E2 = D == C ? C : P;
        E3 = B == D ? D : P;
      }
      Out[2 * y][2 * x] = E0;
      Out[2 * y][2 * x + 1] = E1;
      Out[2 * y + 1][2 * x] = E2;
      Out[2 * y + 1][2 * x + 1] = E3;
    }
  }
  return Out;
}

std::vector<uint8_t> Pack8(const std::array<TGlyph8, Chars>& F) {
  std::vector<uint8_t> D(4096, 0);
  for (int c = 0; c < Chars; ++c)
    for (int y = 0; y < 16; ++y) {
      uint8_t Byte = 0;
      for (int x = 0; x < 8; ++x)
        if (F[c][y][x]) Byte |= static_cast<uint8_t>(0x80 >> x);
      D[c * 16 + y] = Byte;
    }
  return D;
}

TGlyph16 Double(const TGlyph8& G) {
  TGlyph16 Out{};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 16; ++x) Out[y][x] = G[y / 2][x / 2];
  return Out;
}

std::vector<uint8_t> Pack16(const std::array<TGlyph8, Chars>& F, bool KeepBoxDrawing) {
  std::vector<uint8_t> D(16384, 0);
  for (int c = 0; c < Chars; ++c) {
    const bool Plain = KeepBoxDrawing && c >= 176 && c <= 223;
    const TGlyph16 G = Plain ? Double(F[c]) : Scale2x(F[c]);
    for (int y = 0; y < 32; ++y) {
      unsigned Word = 0;
      for (int x = 0; x < 16; ++x)
        if (G[y][x]) Word |= 1u << x;
      D[c * 64 + 2 * y] = static_cast<uint8_t>(Word & 0xFF);
      D[c * 64 + 2 * y + 1] = static_cast<uint8_t>(Word >> 8);
    }
  }
  return D;
}

// Octal escapes take at most three digits, so a digit that follows never joins one.
void WriteBytes(std::ofstream& Out, const std::vector<uint8_t>& D) {
  for (size_t i = 0; i < D.size(); ++i) {
    if (i % 32 == 0) Out << "    \"";
    const unsigned B = D[i];
    Out << '\\' << static_cast<char>('0' + (B >> 6)) << static_cast<char>('0' + ((B >> 3) & 7))
        << static_cast<char>('0' + (B & 7));
    if (i % 32 == 31 || i + 1 == D.size()) Out << "\"\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
    return 2;
  }
  std::vector<std::array<TGlyph8, Chars>> Faces(FontFaceCount);
  std::string Error;
  for (int F = 0; F < FontFaceCount; ++F)
    if (!RenderFont(static_cast<uint8_t>(FontFaces[F].AnsiloveFont), Faces[F], Error)) {
      std::fprintf(stderr, "lx_fontgen: %s: %s\n", FontFaces[F].Name, Error.c_str());
      return 1;
    }
  const std::string Tmp = std::string(argv[1]) + ".tmp";
  {
    std::ofstream Out(Tmp, std::ios::trunc);
    Out << "// Generated by lx_fontgen from libansilove's fonts. Do not edit.\n"
        << "extern const unsigned char FontGlyphs[];\n"
        << "const unsigned char FontGlyphs[] =\n";
    for (int N = 1; N <= FontCount; ++N) {
      const int Face = FontFaceOf(static_cast<uint8_t>(N)) - 1;
      // Box-drawing and block characters (code page 437, 176-223) are only doubled: their
      // lines must meet the neighbouring cells' lines squarely, not with rounded corners.
      WriteBytes(Out, IsLargeFont(static_cast<uint8_t>(N)) ? Pack16(Faces[Face], !FontFaces[Face].Amiga)
                                                           : Pack8(Faces[Face]));
    }
    Out << ";\n";
    if (!Out) {
      std::fprintf(stderr, "lx_fontgen: cannot write %s\n", Tmp.c_str());
      return 1;
    }
  }
  if (std::rename(Tmp.c_str(), argv[1]) != 0) {
    std::fprintf(stderr, "lx_fontgen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
