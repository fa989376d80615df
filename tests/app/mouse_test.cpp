// Mouse reading on a console without a window, with the pointer faked in the
// SDL entry table.
#include <gtest/gtest.h>

#include <vector>

#include "console/scrollback.h"
#include "console/sdl_api.h"

namespace {

struct TPointer {
  int X, Y;
  Uint32 Buttons;
};

// Each poll of the mouse takes the next state; the last one stays.
struct TScript {
  std::vector<TPointer> States;
  size_t Next = 0;
  int WinW = 640, WinH = 400;
  float Scale = 1.0f;
} Script;

Uint32 FakeMouse(int* X, int* Y) {
  const TPointer& P = Script.States[std::min(Script.Next, Script.States.size() - 1)];
  if (Script.Next < Script.States.size()) ++Script.Next;
  *X = P.X;
  *Y = P.Y;
  return P.Buttons;
}
void FakeWindowSize(SDL_Window*, int* W, int* H) { *W = Script.WinW, *H = Script.WinH; }
void FakeScale(SDL_Renderer*, float* X, float* Y) { *X = *Y = Script.Scale; }
void FakeLogical(SDL_Renderer*, int* W, int* H) { *W = *H = 0; }

constexpr Uint32 Left = 1, Middle = 2, Right = 4;

// Pixel of the middle of a cell at scale 1.
TPointer At(int CX, int CY, Uint32 Buttons) { return {8 * (CX - 1) + 4, 16 * (CY - 1) + 8, Buttons}; }

class Mouse : public ::testing::Test {
 protected:
  void SetUp() override {
    Script = TScript{};
    Con.UseLogicalSize = false;
  }
  TSDLEntrySwap<decltype(Sdl.SDL_GetMouseState)> S1{Sdl.SDL_GetMouseState, &FakeMouse};
  TSDLEntrySwap<decltype(Sdl.SDL_GetWindowSize)> S2{Sdl.SDL_GetWindowSize, &FakeWindowSize};
  TSDLEntrySwap<decltype(Sdl.SDL_RenderGetScale)> S3{Sdl.SDL_RenderGetScale, &FakeScale};
  TSDLEntrySwap<decltype(Sdl.SDL_RenderGetLogicalSize)> S4{Sdl.SDL_RenderGetLogicalSize, &FakeLogical};
  TSDLConsoleScrollback Con;
};

TEST_F(Mouse, PressAndReleaseOnOneCellIsAClick) {
  Script.States = {At(10, 5, Left), At(10, 5, Left), At(10, 5, 0)};
  TMouseEvent Ev;
  ASSERT_TRUE(Con.ReadMouse(Ev));
  EXPECT_EQ(Ev.Kind, 1);
  EXPECT_EQ(Ev.X1, 10);
  EXPECT_EQ(Ev.Y1, 5);
  EXPECT_EQ(Ev.X2, 10);
  EXPECT_EQ(Ev.Y2, 5);
  EXPECT_EQ(Con.LastMouseX, 10);
  EXPECT_EQ(Con.LastMouseY, 5);
}

TEST_F(Mouse, DragGivesTheOrderedRectangle) {
  Script.States = {At(10, 5, Left), At(7, 6, Left), At(3, 8, Left), At(3, 8, 0)};
  TMouseEvent Ev;
  ASSERT_TRUE(Con.ReadMouse(Ev));
  EXPECT_EQ(Ev.Kind, 3);
  EXPECT_EQ(Ev.X1, 3);
  EXPECT_EQ(Ev.Y1, 5);
  EXPECT_EQ(Ev.X2, 10);
  EXPECT_EQ(Ev.Y2, 8);
}

TEST_F(Mouse, DragBackToTheStartIsNotAClick) {
  Script.States = {At(4, 4, Left), At(5, 4, Left), At(4, 4, Left), At(4, 4, 0)};
  TMouseEvent Ev;
  ASSERT_TRUE(Con.ReadMouse(Ev));
  EXPECT_EQ(Ev.Kind, 3);
}

TEST_F(Mouse, MiddleRightAndMoves) {
  TMouseEvent Ev;
  Script.States = {At(2, 3, Middle)};
  ASSERT_TRUE(Con.ReadMouse(Ev));
  EXPECT_EQ(Ev.Kind, 4);
  EXPECT_EQ(Ev.X1, 2);
  EXPECT_EQ(Ev.Y1, 3);

  Script = TScript{};
  Script.States = {At(2, 3, Right), At(2, 3, Right), At(6, 9, Right), At(6, 9, 0)};
  ASSERT_TRUE(Con.ReadMouse(Ev));
  EXPECT_EQ(Ev.Kind, 2);
  EXPECT_EQ(Ev.X1, 6);  // where the button was let go
  EXPECT_EQ(Ev.Y1, 9);

  Script = TScript{};
  Script.States = {At(20, 12, 0)};
  ASSERT_TRUE(Con.ReadMouse(Ev));
  EXPECT_EQ(Ev.Kind, 5);
  EXPECT_EQ(Ev.X1, 20);
  EXPECT_EQ(Ev.Y1, 12);
  Script.Next = 0;
  EXPECT_FALSE(Con.ReadMouse(Ev));  // same cell: nothing new
  EXPECT_EQ(Ev.Kind, 0);
}

TEST_F(Mouse, ClicksQuickerThanOnePollAreNotLost) {
  // The button went down and up between two polls: only the video thread saw it.
  Script.States = {At(12, 7, 0)};
  Con.MousePressLatch = 1;
  TMouseEvent Ev;
  ASSERT_TRUE(Con.ReadMouse(Ev));
  EXPECT_EQ(Ev.Kind, 1);
  EXPECT_EQ(Ev.X1, 12);
  EXPECT_EQ(Ev.Y1, 7);
  EXPECT_EQ(Con.MousePressLatch.load(), 0u);

  Script = TScript{};
  Script.States = {At(3, 4, 0)};
  Con.MousePressLatch = 4;
  ASSERT_TRUE(Con.ReadMouse(Ev));
  EXPECT_EQ(Ev.Kind, 2);
  Con.ReadMouse(Ev);
  EXPECT_NE(Ev.Kind, 2);  // each press counts once
}

TEST_F(Mouse, NothingOnceTerminated) {
  Script.States = {At(2, 3, Left), At(2, 3, 0)};
  Con.Terminated = true;
  TMouseEvent Ev;
  EXPECT_FALSE(Con.ReadMouse(Ev));
  int X = 7, Y = 7;
  EXPECT_FALSE(Con.GetMouseCell(0, X, Y));
  EXPECT_EQ(X, 7);
  EXPECT_EQ(Script.Next, 0u);
}

TEST_F(Mouse, CellsAtScaleTwoWithAndWithoutLetterbox) {
  int X = 0, Y = 0;
  Script.WinW = 1280;
  Script.WinH = 800;
  Script.States = {{16 * 9, 32 * 4, Left}};
  EXPECT_TRUE(Con.GetMouseCell(0, X, Y));
  EXPECT_EQ(X, 10);
  EXPECT_EQ(Y, 5);
  EXPECT_FALSE(Con.GetMouseCell(2, X, Y));

  // Letterboxed in a 1400 x 900 window: 60 and 50 pixel bars.
  Con.UseLogicalSize = true;
  Script = TScript{};
  Script.WinW = 1400;
  Script.WinH = 900;
  Script.Scale = 2.0f;
  Script.States = {{60 + 16 * 9, 50 + 32 * 4, 0}, {10, 10, 0}};
  EXPECT_FALSE(Con.GetMouseCell(0, X, Y));
  EXPECT_EQ(X, 10);
  EXPECT_EQ(Y, 5);
  Con.GetMouseCell(0, X, Y);
  EXPECT_EQ(X, 1);
  EXPECT_EQ(Y, 1);
}

TEST(MouseOnlyPointerFaked, MapsAtScaleOne) {
  // Screens tested without a window fake just the pointer.
  Script = TScript{};
  Script.States = {At(33, 7, Left)};
  TSDLEntrySwap Swap(Sdl.SDL_GetMouseState, &FakeMouse);
  TSDLConsoleScrollback Con;
  int X = 0, Y = 0;
  EXPECT_TRUE(Con.GetMouseCell(0, X, Y));
  EXPECT_EQ(X, 33);
  EXPECT_EQ(Y, 7);
}

TEST_F(Mouse, HitTestIncludesTheEdges) {
  TMouseEvent Ev;
  Ev.X1 = 10;
  Ev.Y1 = 5;
  EXPECT_TRUE(Con.HitTest(Ev, 10, 5, 20, 6));
  EXPECT_TRUE(Con.HitTest(Ev, 20, 6, 10, 5));
  EXPECT_TRUE(Con.HitTest(Ev, 1, 1, 10, 5));
  EXPECT_FALSE(Con.HitTest(Ev, 11, 1, 20, 5));
  EXPECT_FALSE(Con.HitTest(Ev, 1, 6, 20, 9));
}

}  // namespace
