// Readable screen dumps for the emulator reference cases: a glyph grid, a
// foreground and a background grid, runs of cells in 256-colour / RGB modes or
// other fonts, and the cursor, window and colour state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TSDLConsole;
class TSDLConsoleScrollback;

struct TDumpCell {
  uint8_t Ch = 32;
  uint8_t Attr = 7;
  uint8_t Font = 1;
  std::string Fg = "attr";  // "attr", "256:N" or "rgb:R,G,B"
  std::string Bg = "attr";
  bool operator==(const TDumpCell&) const = default;
};

struct TScreenDump {
  int Cols = 80, Rows = 25, CursorX = 1, CursorY = 1, WinY1 = 1, WinY2 = 25;
  std::string State;  // colour state, cursor visibility, blink, scrollback count
  std::vector<TDumpCell> Cells;  // Rows x Cols, row-major

  TDumpCell& At(int X, int Y) { return Cells[(Y - 1) * Cols + (X - 1)]; }
  const TDumpCell& At(int X, int Y) const { return Cells[(Y - 1) * Cols + (X - 1)]; }
};

TScreenDump CaptureScreen(const TSDLConsoleScrollback& Console);
TDumpCell ReadCell(const TSDLConsole& Console, int X, int Y);
// The dump as text, in the form of the .screen files (code page 437 shown as Unicode).
std::string FormatDump(const TScreenDump& Dump);
// The first line where two dump texts differ, both versions shown (empty when equal).
std::string FirstDifference(const std::string& Expected, const std::string& Actual);
