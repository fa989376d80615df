// The video settings of "lanternyx.ini" and the program directory.
#pragma once

#include <cstdint>
#include <string>

// Font types: 1 CP437, 2 Topaz, 3 CP437 upscaled, 4 Topaz upscaled.
struct TVideoSettings {
  bool AsciiTheme = false;  // "theme" = ASCII: Topaz fonts and the ASCII look of the screens
  bool Upscale = false;
  int Filter = 0;   // 0 nearest, 1 linear, 2 best
  int WinSize = 1;  // 0 window at scale 1, 1 window fitted to the desktop, 2 full screen
  int Cols = 80, Rows = 25;
  bool Gpu = true;
  bool Letterbox = false;

  uint8_t FontType() const { return static_cast<uint8_t>((AsciiTheme ? 2 : 1) + (Upscale ? 2 : 0)); }
  // The boxes' frame style: 1 for the ANSI look, 0 for the ASCII look.
  uint8_t ThemeFlag() const { return AsciiTheme ? 0 : 1; }
};

// Section "Video" of the file; missing file or keys give the defaults, and
// the screen size is clamped to 80..160 x 25..60.
TVideoSettings ReadVideoSettings(const std::string& IniFile);

// The directory part of argument 0, up to and including the last "/" or "\";
// empty when there is none, so files are then looked up in the working directory.
std::string ProgramDirFrom(const std::string& Arg0);
