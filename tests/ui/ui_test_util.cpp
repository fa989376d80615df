#include "ui_test_util.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "console/sdl_api.h"

namespace {

using namespace std::chrono_literals;

UITest* Active = nullptr;

Uint32 FakeMouse(int* X, int* Y) {
  UITest& T = *Active;
  while (!T.MouseSteps.empty()) {
    const UITest::TStep S = T.MouseSteps.front();
    if (S.WaitKeys && T.Con->KeyPressed()) break;
    T.MouseSteps.pop_front();
    if (S.Fn) S.Fn();
    if (S.Fn || S.WaitKeys) continue;
    *X = T.IdleX = S.PX;
    *Y = T.IdleY = S.PY;
    return S.Buttons;
  }
  *X = T.IdleX;
  *Y = T.IdleY;
  return 0;
}

void FakeWindowSize(SDL_Window*, int* W, int* H) {
  *W = Active->Con->PixelWidth();
  *H = Active->Con->PixelHeight();
}

// The middle of a cell, in window pixels (font 1, scale 1).
int PixelX(int CX) { return 8 * (CX - 1) + 4; }
int PixelY(int CY) { return 16 * (CY - 1) + 8; }

struct TFakes {
  TSDLEntrySwap<decltype(Sdl.SDL_GetMouseState)> S1{Sdl.SDL_GetMouseState, &FakeMouse};
  TSDLEntrySwap<decltype(Sdl.SDL_GetWindowSize)> S2{Sdl.SDL_GetWindowSize, &FakeWindowSize};
};
std::unique_ptr<TFakes> Fakes;

}  // namespace

// A press and a release on the same cell.
void UITest::Click(int X, int Y, bool Right) {
  MouseSteps.push_back({PixelX(X), PixelY(Y), static_cast<uint32_t>(Right ? SDL_BUTTON_RMASK : SDL_BUTTON_LMASK), false, {}});
  MouseSteps.push_back({PixelX(X), PixelY(Y), 0, false, {}});
}
// ReadMouse asks for the left, middle and right buttons in turn before it
// reports a move, one pointer reading each.
void UITest::Move(int X, int Y) {
  for (int I = 0; I < 3; ++I) MouseSteps.push_back({PixelX(X), PixelY(Y), 0, false, {}});
}

void UITest::Watch(const std::function<void()>& Loop, int Y, const std::string& Want,
                   const std::function<void()>& Check, const std::string& Answer) {
  bool Seen = false;
  std::thread Watcher([&] {
    for (int I = 0; I < 200 && !Seen; ++I, std::this_thread::sleep_for(10ms)) {
      std::lock_guard<std::mutex> Lock(Con->FrameMutex());
      Seen = Text(1, Con->Cols, Y).find(Want) != std::string::npos;
      if (Seen) Check();
    }
    Keys(Answer);
  });
  Loop();
  Watcher.join();
  EXPECT_TRUE(Seen) << Want << " never showed";
}

void UITest::SetUp() {
  Active = this;
  Fakes = std::make_unique<TFakes>();
  Watchdog = std::make_unique<TWatchdog>(std::chrono::seconds(20), [this] { Con->Terminated = true; });
}

void UITest::TearDown() {
  EXPECT_FALSE(Watchdog->Stop()) << "a loop waited for a key that was never queued";
  EXPECT_TRUE(MouseSteps.empty()) << "a mouse step or a screen check never ran";
  Fakes.reset();
  Active = nullptr;
}

void UITest::Open(int Cols, int Rows) {
  auto New = std::make_unique<TSDLConsole>();
  New->OpenScreen(Cols, Rows, 1);
  // The pointer rests on cell (1, 1) and has been seen there: no event until a step moves it.
  New->UseLogicalSize = false;
  New->LastMouseX = New->LastMouseY = 1;
  IdleX = 4, IdleY = 8;
  std::unique_lock<std::mutex> Lock;
  if (Watchdog) Lock = std::unique_lock(Watchdog->Guard());
  Con = std::move(New);
}

std::string UITest::Text(int X1, int X2, int Y) const {
  std::string S;
  for (int X = X1; X <= X2; ++X) S += static_cast<char>(Ch(X, Y));
  return S;
}

void UITest::Expect(std::initializer_list<TWant> Want) const {
  for (const TWant& W : Want) {
    const std::string At = " at " + std::to_string(W.X) + "," + std::to_string(W.Y);
    EXPECT_TRUE(W.Ch < 0 || Ch(W.X, W.Y) == W.Ch) << "character " << int(Ch(W.X, W.Y)) << At;
    EXPECT_TRUE(W.Attr < 0 || Attr(W.X, W.Y) == W.Attr) << "attribute " << int(Attr(W.X, W.Y)) << At;
  }
}

std::unique_ptr<UITest::TSnap> UITest::Pattern() {
  for (int Y = 1; Y <= Con->Rows; ++Y)
    for (int X = 1; X <= Con->Cols; ++X)
      Con->PutCell(X, Y, {.Ch = uint8_t('A' + (X + Y) % 26), .Attr = uint8_t((X * 7 + Y * 3) % 256)}, 1);
  Con->GotoXY(7, 9);
  Con->SetTextAttr(30, true);
  Con->SetFg256(200);
  return Snapshot();
}

std::unique_ptr<UITest::TSnap> UITest::Snapshot() const {
  auto S = std::make_unique<TSnap>();
  Con->SaveScreen(1, 1, Con->Cols, Con->Rows, S->Image);
  S->CursorX = Con->CursorX, S->CursorY = Con->CursorY, S->TextAttr = Con->TextAttr;
  return S;
}

::testing::AssertionResult UITest::Same(const TSnap& S) const {
  for (int Y = 1; Y <= Con->Rows; ++Y)
    for (int X = 1; X <= Con->Cols; ++X)
      if (!(Con->Cell(X, Y) == S.Image.Cells[Y - 1][X - 1]))
        return ::testing::AssertionFailure() << "cell " << X << "," << Y << " differs";
  if (Con->CursorX != S.CursorX || Con->CursorY != S.CursorY)
    return ::testing::AssertionFailure() << "cursor at " << Con->CursorX << "," << Con->CursorY;
  if (Con->TextAttr != S.TextAttr || Con->FgMode != S.Image.FgMode || Con->Fg256 != S.Image.Fg256)
    return ::testing::AssertionFailure() << "colour state differs";
  return ::testing::AssertionSuccess();
}
