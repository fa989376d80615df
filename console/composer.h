// Composing pixels from cells: glyph drawing, the cursor underline, the selection highlight,
// blinking and the rows that changed. The console hands over a copy of the changed rows and
// the overlay settings under its lock (TSDLConsole::ComposeFrame); everything here then runs
// on the composing thread alone, without the console lock.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "console/console.h"

// One frame's order, filled under the console lock: the picture's size, the overlays as the
// main thread last published them, and which rows were copied into the composer's cells.
struct TFrameOrder {
  int Width = 0, Height = 0, CellW = 0, CellH = 0;   // pixels
  int Rows = 0, Cols = 0;
  bool BlinkEnabled = false;                          // attribute bit 7 blinks
  bool BlinkOn = true;                                // the blink phase: blinking text shown
  bool CursorBlinks = false;                          // the cursor is on the screen and not hidden
  bool ShowCursor = false;                            // ... and drawn in this frame
  int CursorX = 1, CursorY = 1;
  bool Select = false;                                // the highlight, clipped to the screen
  int SX1 = 0, SY1 = 0, SX2 = 0, SY2 = 0;
  uint8_t SelectionAttr = 76;
  std::array<uint8_t, ConsoleMaxRows> Dirty{};
};

class TFrameComposer {
 public:
  TFrameComposer();

  // Held for the whole of a compose: one thread composes at a time.
  std::mutex& Mutex() { return ComposeMutex; }
  // Under the console lock: whether every row must be copied and drawn (a new picture size,
  // or blinking switched on or off), and the composer's copy of the cells to copy them into.
  bool NeedsAllRows(const TFrameOrder& Order) const;
  TConsoleGrid& Cells() { return *SnapshotPtr; }
  // Without the console lock: draws what the order asks for; returns whether any pixel was
  // touched and, when Rects is given, fills it with the rectangles that were.
  bool Draw(const TFrameOrder& Order, std::vector<TPixelRect>* Rects);
  // Whether anything in the last frame blinks: blinking cells or the cursor.
  bool BlinkWanted() const { return Blinking; }

  const uint32_t* Pixels() const { return PixelBuf.data(); }
  int Width() const { return BufWidth; }
  int Height() const { return BufHeight; }

 private:
  // The columns of a row where blinking cells or overlays were drawn, 1-based; empty when
  // X1 > X2.
  struct TSpan {
    uint8_t X1 = 255, X2 = 0;
    bool Empty() const { return X1 > X2; }
    void Add(int A, int B) {
      X1 = static_cast<uint8_t>(std::min<int>(X1, A));
      X2 = static_cast<uint8_t>(std::max<int>(X2, B));
    }
  };

  bool SizeDiffers(const TFrameOrder& Order) const;
  void DrawCellPixels(int X, int Y, const TConsoleCell& Cell, uint8_t AttrOverride, bool UseOverride);
  void DrawCharPixels(int X, int Y, uint8_t Ch, uint8_t CellFont, uint32_t Fg, uint32_t Bg);

  std::mutex ComposeMutex;
  std::vector<uint32_t> PixelBuf;
  int BufWidth = 0, BufHeight = 0, BufCellW = 0, BufCellH = 0;
  std::unique_ptr<TConsoleGrid> SnapshotPtr;
  std::array<TSpan, ConsoleMaxRows> RowBlinkSpan{};    // blinking cells drawn on the row
  std::array<TSpan, ConsoleMaxRows> RowOverlaySpan{};  // overlay drawn on the row
  bool ComposedBlink = true;
  bool ComposedBlinkEnabled = false;
  bool Blinking = false;
};
