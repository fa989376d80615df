#pragma once

// Look-and-feel choices the whole toolkit shares. One instance lives in the
// application context; the font menu flips the theme at run time, so dialogs
// read it each time they open rather than caching it.
struct TUISettings {
  bool AsciiTheme = false;  // true: plain ASCII frames (Topaz fonts); false: block frames
};
