// The console the program creates: a TSDLConsole that keeps the last 2000 rows which left
// the screen while recording was on, for the scrollback viewer.
#pragma once

#include "console/console.h"

class TSDLConsoleScrollback : public TSDLConsole {
 public:
  static constexpr int MaxLines = 2000;

  TSDLConsoleScrollback();

  void ClearScrollback();
  void AddScrollbackLine(int Y);                 // all 160 cells of screen row Y
  bool IsBlankRow(int Y) const;
  void ClearScreen(uint8_t Mode) override;
  void ScrollUp() override;

  // Saved line N, 1 the oldest, N up to ScrollbackCount; out of range gives a blank row.
  const TConsoleRow& Line(int N) const;

  int ScrollbackCount = 0;                       // 0..2000
  bool ScrollbackEnabled = false;

 private:
  // A ring: appending at a full store drops the oldest line without moving the others.
  std::vector<TConsoleRow> Lines;
  int First = 0;                                 // index of line 1 in Lines
};
