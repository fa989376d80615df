#include "term_fixture.h"

void ResetConsole(TSDLConsoleScrollback& Con, bool StatusLine) {
  // Blanking the visible screen is enough: nothing the emulator does brings cells
  // from past Cols or Rows into view.
  Con.StatusLine = false;
  Con.ScrollbackEnabled = false;
  Con.PendingWrap = false;
  Con.CursorHidden = false;
  Con.BlinkEnabled = false;
  Con.SetWindow(1, 1, Con.Cols, Con.Rows);
  Con.SetTextAttr(7, true);
  Con.Fg256 = 7;
  Con.Bg256 = 0;
  Con.FgRGB = {192, 192, 192};
  Con.BgRGB = {0, 0, 0};
  Con.ClearScreen(2);
  Con.ScrollbackCount = 0;
  Con.ScrollbackEnabled = true;
  if (StatusLine) {
    // As the session sets it up: the text window stops above the status bar.
    Con.SetWindow(1, 1, Con.Cols, Con.Rows - 1);
    Con.StatusLine = true;
  }
}

std::unique_ptr<TSDLConsoleScrollback> MakeConsole(int Cols, int Rows, bool StatusLine) {
  auto Con = std::make_unique<TSDLConsoleScrollback>();
  Con->OpenScreen(Cols, Rows, 1);
  ResetConsole(*Con, StatusLine);
  return Con;
}
