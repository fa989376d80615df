// Window scale: fitting the desktop and the ALT+Enter cycle through window
// sizes and full screen. Everything SDL goes through the entry table.
#pragma once

#include "console/sdl_api.h"

// 0.5 for the 32-pixel-high fonts, 1.0 otherwise.
double ScaleStep(int FontHeight);

// The largest whole multiple of Step (at least 1.0) at which the picture fits
// the desktop with 80 pixels to spare on each axis.
double ScaleForDesktop(int DesktopWidth, int DesktopHeight, int PixelWidth, int PixelHeight,
                       double Step);
// Same for the desktop of display 0; 1.0 when it cannot be read.
double ScaleToDesktop(int PixelWidth, int PixelHeight, double Step);

// What the size cycle reads and changes.
struct TWindowScale {
  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  int PixelWidth = 0, PixelHeight = 0;
  double Step = 1.0;
  double ScaleX = 1.0, ScaleY = 1.0;
};

// One press of ALT+Enter: 1x, 2x, ... up to the desktop, then full screen, then 1x again.
void CycleWindowSize(TWindowScale& W);
