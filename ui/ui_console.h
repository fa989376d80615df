#pragma once

// The console operations the toolkit is built from, in one place. Every
// write is clipped here first, so no caller can reach a cell off the screen
// whatever coordinates it computed from hostile sizes.

#include <cstdint>
#include <string>

#include "console/console.h"

namespace lx {

inline int UICols(const TSDLConsole& C) { return C.Cols; }
inline int UIRows(const TSDLConsole& C) { return C.Rows; }
inline bool UITerminated(const TSDLConsole& C) { return C.Terminated.load(); }

inline void UIWriteXY(TSDLConsole& C, int X, int Y, uint8_t Attr, const std::string& S) {
  if (Y < 1 || Y > UIRows(C) || X > UICols(C) || S.empty()) return;
  if (X < 1) {
    if (static_cast<size_t>(1 - X) >= S.size()) return;
    C.WriteXY(1, Y, Attr, S.substr(1 - X));
    return;
  }
  C.WriteXY(X, Y, Attr, S);
}

inline void UIWriteXYPipe(TSDLConsole& C, int X, int Y, uint8_t Attr, int Width, const std::string& S) {
  if (Y < 1 || Y > UIRows(C) || X < 1 || X > UICols(C) || Width < 0) return;
  C.WriteXYPipe(X, Y, Attr, Width, S);
}

inline void UIGotoXY(TSDLConsole& C, int X, int Y) {
  if (X < 1) X = 1;
  if (Y < 1) Y = 1;
  if (X > UICols(C)) X = UICols(C);
  if (Y > UIRows(C)) Y = UIRows(C);
  C.GotoXY(X, Y);
}

inline void UISaveScreen(TSDLConsole& C, int X1, int Y1, int X2, int Y2, TConsoleImage& Image) {
  auto Byte = [](int V) { return V < 0 ? 0 : V > 255 ? 255 : V; };
  C.SaveScreen(Byte(X1), Byte(Y1), Byte(X2), Byte(Y2), Image);
}

inline void UIRestoreScreen(TSDLConsole& C, const TConsoleImage& Image) { C.RestoreScreen(Image); }

// Recolours one cell, keeping its character and font.
inline void UIShadeCell(TSDLConsole& C, int X, int Y, uint8_t Attr) {
  if (X < 1 || Y < 1 || X > UICols(C) || Y > UIRows(C)) return;
  TConsoleCell Cell = C.Cell(X, Y);
  Cell.Attr = Attr;
  Cell.FgMode = 0;
  Cell.BgMode = 0;
  C.PutCell(X, Y, Cell, Cell.Font);
}

inline bool UIKeyPressed(TSDLConsole& C) { return C.KeyPressed(); }
inline uint8_t UIReadKey(TSDLConsole& C) { return static_cast<uint8_t>(C.ReadKey()); }
inline void UIDelay(TSDLConsole& C, int MS) { C.Delay(MS); }
inline bool UIReadMouse(TSDLConsole& C, TMouseEvent& Ev) { return C.ReadMouse(Ev); }
inline bool UIHitTest(TSDLConsole& C, const TMouseEvent& Ev, int X1, int Y1, int X2, int Y2) {
  return C.HitTest(Ev, X1, Y1, X2, Y2);
}
inline bool UICheckFileDrop(TSDLConsole& C) { return C.CheckFileDrop(); }

}  // namespace lx
