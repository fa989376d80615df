// Mouse reading for the main thread: the pointer's cell, clicks, drag
// selections and the right button, polled through the SDL entry table.
#include <algorithm>
#include <chrono>
#include <thread>

#include "console/console.h"
#include "console/mouse_map.h"
#include "console/video.h"

namespace {

void PollPause() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

}  // namespace

Uint32 PointerCell(SDL_Window* Win, SDL_Renderer* Ren, TMouseGeometry G, int& X, int& Y) {
  int PX = 0, PY = 0;
  const Uint32 Buttons = Sdl.SDL_GetMouseState(&PX, &PY);
  G.WindowWidth = G.PixelWidth;
  G.WindowHeight = G.PixelHeight;
  if (Sdl.SDL_GetWindowSize) Sdl.SDL_GetWindowSize(Win, &G.WindowWidth, &G.WindowHeight);
  if (G.Letterbox) {
    if (Sdl.SDL_RenderGetScale) Sdl.SDL_RenderGetScale(Ren, &G.RenderScaleX, &G.RenderScaleY);
    if (Sdl.SDL_RenderGetLogicalSize) Sdl.SDL_RenderGetLogicalSize(Ren, &G.LogicalWidth, &G.LogicalHeight);
  }
  MouseToCell(G, PX, PY, X, Y);
  return Buttons;
}

bool TSDLConsole::GetMouseCell(int Button, int& X, int& Y) {
  if (Terminated.load() || !Sdl.SDL_GetMouseState) return false;
  auto* Window = dynamic_cast<TVideo*>(Video());
  TMouseGeometry G;
  G.PixelWidth = PixelWidth();
  G.PixelHeight = PixelHeight();
  G.CellWidth = CellWidth();
  G.CellHeight = CellHeight();
  G.Cols = Cols;
  G.Rows = Rows;
  G.Letterbox = UseLogicalSize;
  Uint32 Buttons = PointerCell(Window ? Window->Window() : nullptr, Window ? Window->Renderer() : nullptr, G, X, Y);
  // While the remote side takes the mouse, a button held for it is none of ours.
  if (MouseReporting.load()) Buttons &= Window ? Window->LocalButtons() : 0u;
  if (Button < 0 || Button > 2) return false;
  const unsigned Bit = 1u << Button;
  const bool Latched = MousePressLatch.fetch_and(~Bit) & Bit;
  return (Buttons & Bit) || Latched;
}

bool TSDLConsole::ReadMouse(TMouseEvent& Ev) {
  Ev = TMouseEvent{};
  if (Terminated.load()) return false;
  int X = LastMouseX, Y = LastMouseY;
  const auto Cell = [](int V) { return static_cast<uint16_t>(V); };

  if (GetMouseCell(0, X, Y)) {
    const int PX = X, PY = Y;
    LastMouseX = X;
    LastMouseY = Y;
    int CX = X, CY = Y;
    bool Moved = false;
    // The final poll, after the release, leaves the release cell in X, Y.
    while (GetMouseCell(0, X, Y)) {
      if (X != CX || Y != CY) {
        HighlightRect(PX, PY, X, Y);
        CX = X;
        CY = Y;
        Moved = true;
      }
      PollPause();
    }
    if (!Moved && X == PX && Y == PY) {
      Ev = {1, Cell(PX), Cell(PY), Cell(X), Cell(Y)};
    } else {
      Ev = {3, Cell(std::min(PX, X)), Cell(std::min(PY, Y)), Cell(std::max(PX, X)), Cell(std::max(PY, Y))};
      ClearHighlight();
    }
    return true;
  }
  if (GetMouseCell(1, X, Y)) {
    Ev = {4, Cell(X), Cell(Y), 0, 0};
    return true;
  }
  if (GetMouseCell(2, X, Y)) {
    while (GetMouseCell(2, X, Y)) PollPause();
    Ev = {2, Cell(X), Cell(Y), 0, 0};
    return true;
  }
  if (Terminated.load() || (X == LastMouseX && Y == LastMouseY)) return false;
  LastMouseX = X;
  LastMouseY = Y;
  Ev = {5, Cell(X), Cell(Y), 0, 0};
  return true;
}

bool TSDLConsole::HitTest(const TMouseEvent& Ev, int X1, int Y1, int X2, int Y2) const {
  return Ev.X1 >= std::min(X1, X2) && Ev.X1 <= std::max(X1, X2) && Ev.Y1 >= std::min(Y1, Y2) &&
         Ev.Y1 <= std::max(Y1, Y2);
}

bool TSDLConsole::CheckFileDrop() { return FileDropped.exchange(false); }
