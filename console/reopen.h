// Changing the screen size, font or filter of the one console while it runs. The console
// object stays (the emulator, the toolkit and the session hold references to it) and so do
// its scrollback, key buffer and colour state; only its window is opened again.
#pragma once

#include <cstdint>
#include <functional>

#include "console/scrollback.h"

// Re-opens the window at the new size, window mode, filter and console font (opening the
// video closes the old window first) and puts the screen back. The rows kept are those around
// the cursor: when it would fall below the new last text row, the rows above move up and the
// top rows that no longer fit go to the scrollback (while ScrollbackEnabled is set). The
// cursor and the text window are clamped to the new screen; a text window that was the whole
// height stays the whole height. The status bar row is not carried (its owner redraws it).
// The screen is put back even when the window could not be opened (false; the reason is
// already on standard output), so a second try with other settings keeps it too.
bool ReopenVideo(TSDLConsoleScrollback& Con, int NewCols, int NewRows, uint8_t WindowMode,
                 uint8_t ScaleQuality, uint8_t NewFont);

// The same without a window (tests, headless consoles); Open stands in for opening the
// window after the new screen is set up and returns its result.
bool ReopenScreen(TSDLConsoleScrollback& Con, int NewCols, int NewRows, uint8_t NewFont,
                  const std::function<bool()>& Open = {});

// The window mode that gives back the present window: 2 when it is full screen, 1 when its
// scale is the largest that fits the desktop, else 0 (also without a window).
uint8_t PresentWindowMode(const TSDLConsole& Con);
