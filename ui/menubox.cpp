#include "ui/menubox.h"

#include <algorithm>

#include "ui/ui_console.h"

namespace lx {

namespace {

const char* const Frames[8] = {
    "\xDA\xC4\xBF\xB3\xB3\xC0\xC4\xD9",  // single line
    "\xC9\xCD\xBB\xBA\xBA\xC8\xCD\xBC",  // double line
    "\xD6\xC4\xB7\xBA\xBA\xD3\xC4\xBD",  // double vertical, single horizontal
    "\xD5\xCD\xB8\xB3\xB3\xD4\xCD\xBE",  // single vertical, double horizontal
    "\xDB\xDF\xDB\xDB\xDB\xDB\xDC\xDB",  // solid block
    "\xDB\xDF\xDC\xDB\xDB\xDF\xDC\xDB",  // half-block
    "        ",                          // blank
    ".-.||`-'",                          // plain ASCII
};

}  // namespace

const char* TMenuBox::FrameChars(uint8_t Style) {
  if (Style < 1 || Style > 8) Style = 1;
  return Frames[Style - 1];
}

TMenuBox::TMenuBox(TSDLConsole& C) : Console(C) {}

TMenuBox::~TMenuBox() = default;

void TMenuBox::Open(int X1, int Y1, int X2, int Y2) {
  if (!Opened) {
    Image = std::make_unique<TConsoleImage>();
    if (Shadow)
      UISaveScreen(Console, X1, Y1, X2 + 2, Y2 + 1, *Image);
    else
      UISaveScreen(Console, X1, Y1, X2, Y2, *Image);
    Opened = true;
  }
  // One lock for the whole frame rather than one per cell.
  auto Batch = Console.Batch();
  if (!Box3D) {
    FrameLo = FrameHi;
    CornerBL = FrameHi;
    CornerTR = FrameHi;
  }
  const char* F = FrameChars(FrameType);
  const int Cols = UICols(Console);
  const int Rows = UIRows(Console);
  // Inner width; never negative, and never more cells than a row can show so
  // hostile corners cannot make us build huge strings.
  const int W = std::clamp(X2 - X1 - 1, 0, Cols);

  UIWriteXY(Console, X1, Y1, FrameHi, std::string(1, F[0]) + std::string(W, F[1]));
  UIWriteXY(Console, X2, Y1, CornerTR, std::string(1, F[2]));
  const std::string Middle = std::string(1, F[3]) + std::string(W, ' ');
  for (int Y = std::max(Y1 + 1, 1); Y <= std::min(Y2 - 1, Rows); ++Y) {
    UIWriteXY(Console, X1, Y, FrameHi, Middle);
    UIWriteXY(Console, X2, Y, FrameLo, std::string(1, F[4]));
  }
  UIWriteXY(Console, X1, Y2, CornerBL, std::string(1, F[5]));
  UIWriteXY(Console, X1 + 1, Y2, FrameLo, std::string(W, F[6]) + std::string(1, F[7]));

  if (!Title.empty()) {
    // A title wider than the top edge is cut so it never spills past the corners.
    const std::string T = Title.substr(0, W);
    const int Len = static_cast<int>(T.size());
    int X = X1 + 1 + (W - Len) / 2;
    if (TitleAlign == 1)
      X = X1 + 1;
    else if (TitleAlign == 2)
      X = X2 - Len;
    UIWriteXY(Console, X, Y1, TitleAttr, T);
  }

  if (Shadow) {
    // The shadow darkens what is already there instead of blanking it.
    auto Darken = [&](int X, int Y) {
      if (X < 1 || Y < 1 || X > Cols || Y > Rows) return;
      UIShadeCell(Console, X, Y, ShadowAttr);
    };
    for (int Y = std::max(Y1 + 1, 1); Y <= std::min(Y2 + 1, Rows); ++Y) {
      Darken(X2 + 1, Y);
      Darken(X2 + 2, Y);
    }
    if (Y2 + 1 <= Rows)
      for (int X = std::max(X1 + 2, 1); X <= std::min(X2 + 2, Cols); ++X) Darken(X, Y2 + 1);
  }
}

void TMenuBox::Close() {
  if (!Opened || !Image) return;
  UIRestoreScreen(Console, *Image);
  Opened = false;
  Image.reset();
}

}  // namespace lx
