#include "term_fixture.h"

std::unique_ptr<TSDLConsoleScrollback> MakeConsole(int Cols, int Rows, bool StatusLine) {
  auto Con = std::make_unique<TSDLConsoleScrollback>();
  Con->OpenScreen(Cols, Rows, 1);
  Con->ScrollbackEnabled = true;
  if (StatusLine) {
    // As the session sets it up: the text window stops above the status bar.
    Con->SetWindow(1, 1, Cols, Rows - 1);
    Con->StatusLine = true;
  }
  return Con;
}
