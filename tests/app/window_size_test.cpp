#include <gtest/gtest.h>

#include <cstdio>

#include "console/window_size.h"

namespace {

// A pretend desktop and window the size cycle works on.
struct TFakeWindow {
  int DesktopW = 1920, DesktopH = 1080;
  bool DesktopFails = false, FullscreenFails = false;
  Uint32 Flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
  int W = 0, H = 0, CentreCalls = 0, Clears = 0;
  float RenderScale = 1.7f;
} Fake;

int FakeDesktop(int, SDL_DisplayMode* M) {
  if (Fake.DesktopFails) return -1;
  M->w = Fake.DesktopW, M->h = Fake.DesktopH;
  return 0;
}
Uint32 FakeFlags(SDL_Window*) { return Fake.Flags; }
int FakeFullscreen(SDL_Window*, Uint32 F) {
  if (Fake.FullscreenFails) return -1;
  Fake.Flags = (Fake.Flags & ~SDL_WINDOW_FULLSCREEN_DESKTOP) | (F & SDL_WINDOW_FULLSCREEN_DESKTOP);
  return 0;
}
void FakeSize(SDL_Window*, int W, int H) { Fake.W = W, Fake.H = H; }
void FakePosition(SDL_Window*, int X, int Y) {
  if (X == int(SDL_WINDOWPOS_CENTERED) && Y == int(SDL_WINDOWPOS_CENTERED)) ++Fake.CentreCalls;
}
int FakeClear(SDL_Renderer*) { return ++Fake.Clears, 0; }
void FakeScale(SDL_Renderer*, float* X, float* Y) { *X = *Y = Fake.RenderScale; }

class WindowScale : public ::testing::Test {
 protected:
  void SetUp() override { Fake = TFakeWindow{}; }
  TSDLEntrySwap<decltype(Sdl.SDL_GetDesktopDisplayMode)> S1{Sdl.SDL_GetDesktopDisplayMode, &FakeDesktop};
  TSDLEntrySwap<decltype(Sdl.SDL_GetWindowFlags)> S2{Sdl.SDL_GetWindowFlags, &FakeFlags};
  TSDLEntrySwap<decltype(Sdl.SDL_SetWindowFullscreen)> S3{Sdl.SDL_SetWindowFullscreen, &FakeFullscreen};
  TSDLEntrySwap<decltype(Sdl.SDL_SetWindowSize)> S4{Sdl.SDL_SetWindowSize, &FakeSize};
  TSDLEntrySwap<decltype(Sdl.SDL_SetWindowPosition)> S5{Sdl.SDL_SetWindowPosition, &FakePosition};
  TSDLEntrySwap<decltype(Sdl.SDL_RenderClear)> S6{Sdl.SDL_RenderClear, &FakeClear};
  TSDLEntrySwap<decltype(Sdl.SDL_RenderGetScale)> S7{Sdl.SDL_RenderGetScale, &FakeScale};
};

TEST_F(WindowScale, DesktopFitLeavesEightyPixelsToSpare) {
  EXPECT_EQ(ScaleStep(16), 1.0);
  EXPECT_EQ(ScaleStep(32), 0.5);
  EXPECT_EQ(ScaleToDesktop(640, 400, ScaleStep(16)), 2.0);   // 3 x 400 > 1000
  EXPECT_EQ(ScaleToDesktop(1280, 800, ScaleStep(32)), 1.0);  // 1.5 x 800 > 1000
  EXPECT_EQ(ScaleForDesktop(2560, 1600, 1280, 800, 0.5), 1.5);
  EXPECT_EQ(ScaleForDesktop(640, 400, 1280, 800, 0.5), 1.0);  // never below 1
  EXPECT_EQ(ScaleForDesktop(3840, 2160, 640, 400, 1.0), 5.0);
  Fake.DesktopFails = true;
  EXPECT_EQ(ScaleToDesktop(640, 400, 1.0), 1.0);
}

// After each ALT+Enter: the scales, the window size asked for, full screen, centrings, clears.
TEST_F(WindowScale, AltEnterStepsUpThenFullScreenThenBack) {
  const auto Step = [](TWindowScale& W) {
    CycleWindowSize(W);
    char B[80];
    std::snprintf(B, sizeof B, "%.1f/%.1f %dx%d%s c%d r%d", W.ScaleX, W.ScaleY, Fake.W, Fake.H,
                  Fake.Flags & SDL_WINDOW_FULLSCREEN_DESKTOP ? " full" : "", Fake.CentreCalls, Fake.Clears);
    return std::string(B);
  };
  TWindowScale W{.PixelWidth = 640, .PixelHeight = 400, .Step = 1.0};
  EXPECT_EQ(Step(W), "2.0/2.0 1280x800 c1 r0");
  EXPECT_EQ(Step(W), "1.7/1.7 1280x800 full c1 r1");  // 2x is the desktop fit
  EXPECT_EQ(Step(W), "1.0/1.0 640x400 c2 r1");
  Fake = TFakeWindow{2560, 1600};
  W = {.PixelWidth = 1280, .PixelHeight = 800, .Step = 0.5};  // large fonts step by halves
  EXPECT_EQ(Step(W), "1.5/1.5 1920x1200 c1 r0");
  EXPECT_EQ(Step(W), "1.7/1.7 1920x1200 full c1 r1");
  Fake = TFakeWindow{};
  Fake.FullscreenFails = true;
  W = {.PixelWidth = 1280, .PixelHeight = 800, .Step = 0.5};
  EXPECT_EQ(Step(W), "1.0/1.0 0x0 c0 r1");  // 1.0 fits the 1920 x 1080 desktop: full screen fails
}

}  // namespace
