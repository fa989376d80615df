// Console operations a VT102 needs beyond the ANSI-BBS screen's.
#include <algorithm>

#include "console/console.h"

void TSDLConsole::WriteAt(int X, int Y, const uint8_t* Text, size_t Length, uint8_t CharFont) {
  if (Text == nullptr || X < 1 || X > Cols || Y < 1 || Y > Rows || Terminated.load(std::memory_order_relaxed))
    return;
  THold Hold(*this);
  const auto N = static_cast<int>(std::min<size_t>(Length, static_cast<size_t>(Cols - X + 1)));
  PutGlyphSpan(Y, X, Text, N, false, CharFont);
}
