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
  int Cols = 80;
  int Rows = 25;
  int CursorX = 1;
  int CursorY = 1;
  int WinY1 = 1;
  int WinY2 = 25;
  std::string State;  // colour state, cursor visibility, blink, scrollback count
  std::vector<TDumpCell> Cells;  // Rows x Cols, row-major

  TDumpCell& At(int X, int Y) { return Cells[(Y - 1) * Cols + (X - 1)]; }
  const TDumpCell& At(int X, int Y) const { return Cells[(Y - 1) * Cols + (X - 1)]; }
};

TScreenDump CaptureScreen(const TSDLConsoleScrollback& Console);
TDumpCell ReadCell(const TSDLConsole& Console, int X, int Y);
std::string FormatDump(const TScreenDump& Dump);
// Returns false with a reason when the text is not a well-formed dump.
bool ParseDump(const std::string& Text, TScreenDump& Dump, std::string& Error);
// Human-readable differences, at most Limit of them (empty when equal).
std::vector<std::string> DiffDumps(const TScreenDump& Expected, const TScreenDump& Actual, size_t Limit = 20);

// Code page 437 glyph <-> one Unicode character per cell, so dumps read as the screen looks.
std::string GlyphToUtf8(uint8_t Ch);
