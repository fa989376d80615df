// Pixel-to-cell mapping, and mouse reading on a console without a window with the
// pointer faked in the SDL entry table.
#include <gtest/gtest.h>

#include <vector>

#include "console/mouse_map.h"
#include "console/scrollback.h"
#include "console/sdl_api.h"
#include "console/video.h"
#include "support/test_watchdog.h"

namespace {

using XY = std::pair<int, int>;

struct TCellCase { int WinW, WinH, LogW, LogH; float Scale; bool Letterbox; int PX, PY, X, Y; };

TEST(MouseCell, WindowSizesScalesAndLetterbox) {
  // 80 x 25 of 8 x 16 pixels; a 1400 x 800 letterboxed 2x window has 60-pixel bars.
  const std::vector<TCellCase> Cases = {
      {640, 400, 0, 0, 1, false, 0, 0, 1, 1},          {640, 400, 0, 0, 1, false, 7, 15, 1, 1},
      {640, 400, 0, 0, 1, false, 8, 16, 2, 2},         {640, 400, 0, 0, 1, false, 639, 399, 80, 25},
      {1280, 800, 0, 0, 1, false, 15, 31, 1, 1},       {1280, 800, 0, 0, 1, false, 16, 32, 2, 2},
      {1280, 800, 0, 0, 1, false, 1279, 799, 80, 25},  {640, 400, 0, 0, 1, true, 8, 16, 2, 2},
      {1400, 800, 0, 0, 2, true, 30, 100, 1, 4},       {1400, 800, 0, 0, 2, true, 75, 0, 1, 1},
      {1400, 800, 0, 0, 2, true, 76, 32, 2, 2},        {1400, 800, 0, 0, 2, true, 1339, 799, 80, 25},
      {1400, 800, 0, 0, 2, true, 1390, 799, 80, 25},   // right bar clamps
      {1280, 800, 1280, 800, 1, true, 16, 32, 2, 2},   // scaled to the desktop at start
      {1280, 800, 1280, 800, 1, true, 1279, 799, 80, 25}};
  for (const TCellCase& C : Cases) {
    TMouseGeometry G;
    G.PixelWidth = 640, G.PixelHeight = 400, G.WindowWidth = C.WinW, G.WindowHeight = C.WinH;
    G.LogicalWidth = C.LogW, G.LogicalHeight = C.LogH, G.RenderScaleX = G.RenderScaleY = C.Scale;
    G.Letterbox = C.Letterbox;
    int X = -1, Y = -1;
    MouseToCell(G, C.PX, C.PY, X, Y);
    EXPECT_EQ(XY(X, Y), XY(C.X, C.Y)) << C.WinW << " " << C.PX << "," << C.PY;
  }
  TMouseGeometry Big;  // large font, wide screen, pointer outside
  Big.Cols = 160, Big.Rows = 60, Big.CellWidth = 16, Big.CellHeight = 32;
  Big.PixelWidth = Big.WindowWidth = 2560, Big.PixelHeight = Big.WindowHeight = 1920;
  int X = -1, Y = -1;
  MouseToCell(Big, 5000, -20, X, Y);
  EXPECT_EQ(XY(X, Y), XY(160, 1));
}

struct TPointer { int X, Y; Uint32 Buttons; };

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
  *X = P.X, *Y = P.Y;
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
  // ReadMouse waits for a button to be let go: one that never is must not hang the test.
  TWatchdog Dog{std::chrono::seconds(10), [this] { Con.Terminated = true; }};
};

// Latch: presses only the video thread saw, between two polls.
struct TEventCase { std::vector<TPointer> States; uint8_t Latch; int Kind, X1, Y1, X2, Y2; };

TEST_F(Mouse, ClicksDragsAndMoves) {
  const std::vector<TEventCase> Cases = {
      {{At(10, 5, Left), At(10, 5, Left), At(10, 5, 0)}, 0, 1, 10, 5, 10, 5},
      // Drag corners come out ordered.
      {{At(10, 5, Left), At(7, 6, Left), At(3, 8, Left), At(3, 8, 0)}, 0, 3, 3, 5, 10, 8},
      // Back to the start is still a drag.
      {{At(4, 4, Left), At(5, 4, Left), At(4, 4, Left), At(4, 4, 0)}, 0, 3, 4, 4, -1, -1},
      {{At(2, 3, Middle)}, 0, 4, 2, 3, -1, -1},
      // Right button: where it was let go.
      {{At(2, 3, Right), At(2, 3, Right), At(6, 9, Right), At(6, 9, 0)}, 0, 2, 6, 9, -1, -1},
      {{At(12, 7, 0)}, 1, 1, 12, 7, -1, -1},  // the button went down and up between two polls
      {{At(3, 4, 0)}, 4, 2, 3, 4, -1, -1},
      {{At(20, 12, 0)}, 0, 5, 20, 12, -1, -1}};  // each latched press counts once
  for (const TEventCase& C : Cases) {
    Script = TScript{C.States};
    if (C.Latch) Con.MousePressLatch = C.Latch;
    TMouseEvent Ev;
    ASSERT_TRUE(Con.ReadMouse(Ev)) << C.Kind;
    const XY To = C.X2 < 0 ? XY(-1, -1) : XY(Ev.X2, Ev.Y2);  // -1: not checked
    EXPECT_EQ(std::tie(Ev.Kind, Ev.X1, Ev.Y1, To), std::tuple(C.Kind, C.X1, C.Y1, XY(C.X2, C.Y2)));
  }
  EXPECT_EQ(Con.LastMouseX, 20);
  Script.Next = 0;
  TMouseEvent Ev;
  EXPECT_TRUE(!Con.ReadMouse(Ev) && Ev.Kind == 0);  // same cell: nothing new
  Ev = {1, 10, 5};  // edges included, corners in any order
  EXPECT_EQ(std::tuple(Con.HitTest(Ev, 10, 5, 20, 6), Con.HitTest(Ev, 10, 5, 1, 1),
                       Con.HitTest(Ev, 11, 1, 20, 5), Con.HitTest(Ev, 1, 6, 20, 9)),
            std::tuple(true, true, false, false));
  // Nothing once the window is closing.
  Script = TScript{{At(2, 3, Left), At(2, 3, 0)}};
  Con.Terminated = true;
  EXPECT_FALSE(Con.ReadMouse(Ev));
  int X = 7, Y = 7;
  EXPECT_FALSE(Con.GetMouseCell(0, X, Y));
  EXPECT_EQ(std::pair(X, Script.Next), std::pair(7, size_t{0}));
}

TEST_F(Mouse, CellsAtScaleTwoWithAndWithoutLetterbox) {
  int X = 0, Y = 0;
  Script = TScript{{{16 * 9, 32 * 4, Left}}, 0, 1280, 800};
  EXPECT_TRUE(Con.GetMouseCell(0, X, Y));
  EXPECT_EQ(XY(X, Y), XY(10, 5));
  EXPECT_FALSE(Con.GetMouseCell(2, X, Y));
  // Letterboxed in a 1400 x 900 window: 60 and 50 pixel bars.
  Con.UseLogicalSize = true;
  Script = TScript{{{60 + 16 * 9, 50 + 32 * 4, 0}, {10, 10, 0}}, 0, 1400, 900, 2.0f};
  EXPECT_FALSE(Con.GetMouseCell(0, X, Y));
  EXPECT_EQ(XY(X, Y), XY(10, 5));
  Con.GetMouseCell(0, X, Y);
  EXPECT_EQ(XY(X, Y), XY(1, 1));
}

SDL_Keymod Mods = KMOD_NONE;
SDL_Keymod FakeMods() { return Mods; }

// What the window thread makes of button, move and wheel events, with and without a board
// that takes the mouse; Shift keeps a press local.
TEST_F(Mouse, WindowSendsTheBoardOnlyWhatItAskedFor) {
  TSDLEntrySwap S5(Sdl.SDL_GetModState, &FakeMods);
  bool Reporting = false;
  std::string Log;  // B kind button mods @x,y: queued for the board; L: a local press; K: keys
  TVideoHooks H;
  H.MouseReporting = [&] { return Reporting; };
  H.MouseInput = [&](const TMouseInput& In) {
    Log += "B" + std::to_string(int(In.Kind)) + std::to_string(In.Button) + std::to_string(In.Mods) + "@" +
           std::to_string(In.X) + "," + std::to_string(In.Y) + " ";
  };
  H.Press = [&](int B) { Log += "L" + std::to_string(B) + " "; };
  H.Keys = [&](const std::string& K) { Log += "K" + std::to_string(K[1]) + " "; };
  TVideo Video(H);
  constexpr Uint32 Down = SDL_MOUSEBUTTONDOWN, Up = SDL_MOUSEBUTTONUP, Move = SDL_MOUSEMOTION, Wheel = SDL_MOUSEWHEEL;
  struct TStep { bool Reporting; SDL_Keymod Mods; Uint32 Type; int Button; TPointer P; };  // Button: a wheel's steps
  const std::vector<TStep> Steps = {
      {false, KMOD_NONE, Down, 1, At(10, 5, Left)}, {false, KMOD_NONE, Up, 1, At(10, 5, 0)},
      {false, KMOD_NONE, Wheel, 1, At(10, 5, 0)},   {true, KMOD_NONE, Down, 1, At(10, 5, Left)},
      {true, KMOD_NONE, Move, 0, At(11, 5, Left)},  {true, KMOD_NONE, Move, 0, At(11, 5, Left)},
      {true, KMOD_NONE, Up, 1, At(11, 6, 0)},       {true, KMOD_NONE, Move, 0, At(12, 6, 0)},
      {true, KMOD_LCTRL, Wheel, -1, At(12, 6, 0)},  {true, KMOD_LSHIFT, Down, 3, At(3, 3, Right)},
      {true, KMOD_NONE, Move, 0, At(4, 3, Right)},  {true, KMOD_NONE, Up, 3, At(4, 3, 0)}};
  for (const TStep& S : Steps) {
    Reporting = S.Reporting, Mods = S.Mods;
    Script = TScript{{S.P}};
    SDL_Event E{};
    E.type = S.Type;
    E.button.button = static_cast<Uint8>(S.Button);
    if (S.Type == Move) E.motion.state = S.P.Buttons;
    if (S.Type == Wheel) E.wheel.y = S.Button;
    Video.ProcessEvent(E);
  }
  EXPECT_EQ(Log, "L0 K72 B000@10,5 B200@11,5 B100@11,6 B230@12,6 B3116@12,6 L2 ");
  // Held for the board, the left button is none of ReadMouse's business.
  Con.MouseReporting = true;
  Script = TScript{{At(2, 3, Left), At(2, 3, 0)}};
  TMouseEvent Ev;
  Con.ReadMouse(Ev);
  EXPECT_NE(Ev.Kind, 1);
}

}  // namespace
