#include "console/reopen.h"

#include <algorithm>
#include <memory>

#include "console/fonts.h"
#include "console/video.h"
#include "console/window_size.h"

namespace {

// Open must leave the console at its new size (OpenScreen or OpenVideo does).
bool Reopen(TSDLConsoleScrollback& Con, uint8_t NewFont, int NewRows, const std::function<bool()>& Open) {
  if (NewFont < 1 || NewFont > FontCount) return false;
  NewRows = std::clamp(NewRows, 25, ConsoleMaxRows);
  auto Kept = std::make_unique<TConsoleImage>();
  Con.SaveScreen(1, 1, Con.Cols, Con.Rows, *Kept);
  const int OldCols = Con.Cols;
  const int OldLast = Con.StatusLine ? Con.Rows - 1 : Con.Rows;
  const int NewLast = Con.StatusLine ? NewRows - 1 : NewRows;
  // Rows above the cursor that no longer fit leave at the top, as a scroll would move them.
  const int Shift = std::clamp(Con.CursorY - NewLast, 0, OldLast);
  if (Con.ScrollbackEnabled)
    for (int Y = 1; Y <= Shift; ++Y) Con.AddScrollbackLine(Y);
  const bool FullHeight = Con.WinY1 == 1 && Con.WinY2 >= OldLast;
  const bool FullWidth = Con.WinX1 == 1 && Con.WinX2 >= OldCols;
  const int WinX1 = Con.WinX1, WinX2 = Con.WinX2, WinY1 = Con.WinY1, WinY2 = Con.WinY2;
  const int CursorX = Con.CursorX, CursorY = Con.CursorY;

  const bool Opened = Open();

  const int Cols = Con.Cols;
  TConsoleCell Blank;
  Blank.Font = Con.Font;
  // In place: a row only ever moves up, so its source has not been overwritten yet.
  for (int Y = 1; Y <= ConsoleMaxRows; ++Y) {
    TConsoleRow& Row = Kept->Cells[Y - 1];
    const int From = Y + Shift;
    if (From > OldLast) {
      Row.fill(Blank);
      continue;
    }
    if (Shift > 0) Row = Kept->Cells[From - 1];
    std::fill(Row.begin() + std::min(OldCols, Cols), Row.end(), Blank);
  }
  Kept->CursorX = static_cast<uint8_t>(std::clamp(CursorX, 1, Cols));
  Kept->CursorY = static_cast<uint8_t>(std::clamp(CursorY - Shift, 1, NewLast));
  Con.RestoreScreen(*Kept);

  const int Y1 = FullHeight ? 1 : std::clamp(WinY1 - Shift, 1, NewLast);
  const int Y2 = FullHeight ? NewLast : std::clamp(WinY2 - Shift, Y1, NewLast);
  const int X1 = FullWidth ? 1 : std::min(WinX1, Cols);
  const int X2 = FullWidth ? Cols : std::clamp(WinX2, X1, Cols);
  Con.SetWindow(X1, Y1, X2, Y2);
  return Opened;
}

}  // namespace

bool ReopenVideo(TSDLConsoleScrollback& Con, int NewCols, int NewRows, uint8_t WindowMode,
                 uint8_t ScaleQuality, uint8_t NewFont) {
  return Reopen(Con, NewFont, NewRows,
                [&] { return Con.OpenVideo(NewCols, NewRows, WindowMode, ScaleQuality, NewFont); });
}

bool ReopenScreen(TSDLConsoleScrollback& Con, int NewCols, int NewRows, uint8_t NewFont,
                  const std::function<bool()>& Open) {
  return Reopen(Con, NewFont, NewRows, [&] {
    Con.OpenScreen(NewCols, NewRows, NewFont);
    return Open ? Open() : true;
  });
}

uint8_t PresentWindowMode(const TSDLConsole& Con) {
  const auto* Window = dynamic_cast<const TVideo*>(Con.Video());
  if (!Window || !Window->Window() || !Sdl.SDL_GetWindowFlags) return 0;
  // Either kind of full screen (the desktop kind includes the plain flag).
  if (Sdl.SDL_GetWindowFlags(Window->Window()) & SDL_WINDOW_FULLSCREEN) return 2;
  const double Fit = ScaleToDesktop(Con.PixelWidth(), Con.PixelHeight(), ScaleStep(Con.CellHeight()));
  return Window->ScaleY() == Fit ? 1 : 0;
}
