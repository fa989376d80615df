#pragma once
// One console per screen size for the whole fuzzing run, set back to a blank screen for
// each input: building or resizing one (its pixels included) costs far more than the code
// under test.
#include "console/console.h"

// Slot tells apart consoles a target needs side by side.
template <class TConsole = TSDLConsole, int Slot = 0>
TConsole& FreshConsole(bool Large) {
  static TConsole Consoles[2];
  TConsole& C = Consoles[Large ? 1 : 0];
  C.OpenScreen(Large ? 160 : 80, Large ? 60 : 25, 1);
  C.StatusLine = false;
  C.CursorHidden = false;
  C.SetTextAttr(7, true);
  C.GotoXY(1, 1);
  return C;
}
