#pragma once

#include <cstdint>

namespace lx {

// Look-and-feel choices the whole toolkit shares. One instance lives in the
// application context; the font menu flips the theme at run time, so dialogs
// read it each time they open rather than caching it.
struct TUISettings {
  uint8_t Theme = 1;  // 1 the ANSI look (block frames), 0 the ASCII look (Topaz fonts)
  bool Ascii() const { return Theme == 0; }
};

}  // namespace lx
