#include "console/window_size.h"

namespace {
constexpr Uint32 FullscreenDesktop = SDL_WINDOW_FULLSCREEN_DESKTOP;  // 4097
constexpr int DesktopMargin = 80;
}  // namespace

double ScaleStep(int FontHeight) { return FontHeight == 32 ? 0.5 : 1.0; }

double ScaleForDesktop(int DesktopWidth, int DesktopHeight, int PixelWidth, int PixelHeight,
                       double Step) {
  double Scale = 1.0;
  if (Step <= 0) return Scale;
  for (;;) {
    const double Next = Scale + Step;
    if (PixelHeight * Next > DesktopHeight - DesktopMargin ||
        PixelWidth * Next > DesktopWidth - DesktopMargin)
      return Scale;
    Scale = Next;
  }
}

double ScaleToDesktop(int PixelWidth, int PixelHeight, double Step) {
  SDL_DisplayMode Mode{};
  if (Sdl.SDL_GetDesktopDisplayMode(0, &Mode) != 0) return 1.0;
  return ScaleForDesktop(Mode.w, Mode.h, PixelWidth, PixelHeight, Step);
}

void CycleWindowSize(TWindowScale& W) {
  const Uint32 Flags = Sdl.SDL_GetWindowFlags(W.Window);
  if (Flags & FullscreenDesktop) {
    W.ScaleX = W.ScaleY = 1.0;
    if (Sdl.SDL_SetWindowFullscreen(W.Window, Flags ^ FullscreenDesktop) == 0 &&
        !(Sdl.SDL_GetWindowFlags(W.Window) & FullscreenDesktop)) {
      Sdl.SDL_SetWindowSize(W.Window, W.PixelWidth, W.PixelHeight);
      Sdl.SDL_SetWindowPosition(W.Window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    return;
  }
  const double Desktop = ScaleToDesktop(W.PixelWidth, W.PixelHeight, W.Step);
  if (W.ScaleY == Desktop) {
    Sdl.SDL_RenderClear(W.Renderer);
    if (Sdl.SDL_SetWindowFullscreen(W.Window, Flags ^ FullscreenDesktop) == 0) {
      float X = 1.0f, Y = 1.0f;
      Sdl.SDL_RenderGetScale(W.Renderer, &X, &Y);
      W.ScaleX = X;
      W.ScaleY = Y;
    }
    return;
  }
  if (W.ScaleY + W.Step <= Desktop) {
    W.ScaleY += W.Step;
    W.ScaleX = W.ScaleY;
    Sdl.SDL_SetWindowSize(W.Window, static_cast<int>(W.PixelWidth * W.ScaleX),
                          static_cast<int>(W.PixelHeight * W.ScaleY));
    Sdl.SDL_SetWindowPosition(W.Window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
}
