// The scrollback viewer: pages through the lines that scrolled off the terminal screen,
// with a three-row status area that can be hidden and a ten-cell position gauge.
#pragma once

#include <cstdint>

#include "console/scrollback.h"

class TScrollbackViewer {
 public:
  TScrollbackViewer(TSDLConsoleScrollback& Console, uint8_t ViewFont);

  // Draws, then reads keys until ESC or the console is terminated.
  void Run();
  // The first drawing: status area and lines.
  void Draw();
  // One key (Ext: the extended code after a 0). False when the viewer should close.
  bool Key(uint8_t Ch, uint8_t Ext = 0);
  // The gauge and line number; done before every key while the status is shown.
  void DrawGauge();

  // Stored lines shown, 0-based, oldest first.
  int Top() const { return TopLine; }
  int Bottom() const { return BottomLine; }
  int Page() const { return H; }
  uint8_t Font() const { return ViewFont; }
  bool StatusShown() const { return Status; }
  int GaugeLength() const;

 private:
  void End();
  void Move(uint8_t Code);
  void ToggleStatus();
  void DrawStatus();
  void DrawLines();

  TSDLConsoleScrollback& C;
  uint8_t ViewFont;
  uint8_t SessionFont;  // TAB goes from it to the other family and back
  int N = 0, R = 25, Cols = 80, H = 21, TopLine = 0, BottomLine = 0, Shown = 0;
  bool Status = false;
};
