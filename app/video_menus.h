// The two video menus: the screen size (ALT-M) and the font and filtering (ALT-F). Both
// re-open the one console's window and keep what is on the screen; nothing is stored, the
// next start reads "lanternyx.ini" again.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "app/context.h"

struct TVideoSetup {
  int Cols = 80, Rows = 25;
  uint8_t WindowMode = 0;  // 0 window at scale 1, 1 fitted to the desktop, 2 full screen
  uint8_t Filter = 0;      // 0 none, 1 linear, 2 anisotropic
  uint8_t FontCode = 1;    // the console's font: 1 standard, 3 upscaled resolution
};

class TVideoMenus {
 public:
  explicit TVideoMenus(TAppContext& App);

  void ScreenSize();
  void FontAndFilter();

  // Re-opens the console with the setup (the real window unless a test replaces it).
  std::function<bool(const TVideoSetup&)> Open;
  // The window mode that gives back the present window.
  std::function<uint8_t()> WindowMode;
  // Sees every message text before its box opens.
  std::function<void(const std::string&)> MessageSeen;
  // Where the line of a fatal video failure goes.
  std::ostream* Out;

 private:
  bool Rebuild(const TVideoSetup& Setup);
  void Finish();
  TAppContext& App;
  bool Lowest = false;
};

// The size list's item (1-5) highlighted first for a screen size: the listed size with the
// nearest column count, then the nearest row count.
int SizeItem(int Cols, int Rows);

// The font list's line for a font number: the face's name and the resolution.
std::string FontMenuText(uint8_t Number);

// After a font change from OldFont to NewFont: cells in the old font take the new one, and
// every cell follows the new resolution while keeping its family.
void ConvertCellFonts(TConsoleGrid& Cells, uint8_t OldFont, uint8_t NewFont);
