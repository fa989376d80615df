#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "console/console.h"

namespace lx {

// A framed window: saves the whole screen on its first Open and puts it back
// on Close, so boxes opened inside each other unwind step by step.
class TMenuBox {
 public:
  explicit TMenuBox(TSDLConsole& Console);
  ~TMenuBox();
  TMenuBox(const TMenuBox&) = delete;
  TMenuBox& operator=(const TMenuBox&) = delete;

  // Corners are inclusive; anything outside the screen is clipped.
  void Open(int X1, int Y1, int X2, int Y2);
  // Restores the screen saved by the first Open; does nothing when never opened.
  void Close();

  TSDLConsole& Console;
  uint8_t FrameType = 6;   // 1-8, see FrameChars
  uint8_t FrameHi = 127;   // top and left edges, top-left corner, interior
  bool Box3D = true;       // false: every frame cell in FrameHi
  uint8_t FrameLo = 120;   // right and bottom edges, bottom-right corner
  uint8_t CornerBL = 127;
  uint8_t CornerTR = 120;
  bool Shadow = true;
  uint8_t ShadowAttr = 0;
  uint8_t TitleAttr = 31;
  uint8_t TitleAlign = 0;  // 0 centred, 1 left, 2 right
  std::string Title;
  bool Opened = false;

  // The characters of a style, in the order top-left, top, top-right, left,
  // right, bottom-left, bottom, bottom-right; out-of-range styles use style 1.
  static const char* FrameChars(uint8_t Style);

 private:
  std::unique_ptr<TConsoleImage> Image;
};

}  // namespace lx
