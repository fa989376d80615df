#include "console/scrollback.h"

#include <algorithm>

TSDLConsoleScrollback::TSDLConsoleScrollback() : Lines(MaxLines) {
  ClearScrollback();
  ScrollbackEnabled = false;
}

void TSDLConsoleScrollback::ClearScrollback() {
  const TConsoleCell Blank = BlankCell();
  for (auto& L : Lines) L.fill(Blank);
  ScrollbackCount = 0;
  First = 0;
}

void TSDLConsoleScrollback::AddScrollbackLine(int Y) {
  if (Y < 1 || Y > ConsoleMaxRows) return;
  THold Hold(*this);
  ScrollbackCount = std::clamp(ScrollbackCount, 0, MaxLines);
  if (ScrollbackCount == MaxLines) {
    First = (First + 1) % MaxLines;
    --ScrollbackCount;
  }
  Lines[(First + ScrollbackCount) % MaxLines] = Row(Y);
  ++ScrollbackCount;
}

const TConsoleRow& TSDLConsoleScrollback::Line(int N) const {
  if (N < 1 || N > std::min(ScrollbackCount, MaxLines)) return Row(0);
  return Lines[(First + N - 1) % MaxLines];
}

bool TSDLConsoleScrollback::IsBlankRow(int Y) const {
  const TConsoleRow& R = Row(Y);
  return std::all_of(R.begin(), R.end(),
                     [](const TConsoleCell& C) { return C.Ch == 0 || (C.Ch == 32 && C.Attr == 7); });
}

void TSDLConsoleScrollback::ScrollUp() {
  THold Hold(*this);
  // Only a region that starts at the top moves a line off the screen; below a fixed header
  // the line that leaves the region goes under the header and is no history.
  if (ScrollbackEnabled && WinY1 <= 1) AddScrollbackLine(1);
  ScrollWindowUp();
}

void TSDLConsoleScrollback::ClearScreen(uint8_t Mode) {
  THold Hold(*this);
  if (Mode == 2 && ScrollbackEnabled) {
    int Last = std::min<int>(WinY2, Rows);
    while (Last > 0 && IsBlankRow(Last)) --Last;
    for (int Y = 1; Y <= Last; ++Y) AddScrollbackLine(Y);
  }
  TSDLConsole::ClearScreen(Mode);
}
