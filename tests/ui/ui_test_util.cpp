#include "ui_test_util.h"

#include <chrono>

void UITest::SetUp() {
  Open(80, 25);
  Watchdog = std::thread([this] { Watch(); });
}

void UITest::TearDown() {
  {
    std::lock_guard<std::mutex> Lock(WatchMutex);
    Done = true;
  }
  WatchWake.notify_all();
  Watchdog.join();
  EXPECT_FALSE(Fired) << "a loop waited for a key that was never queued";
}

void UITest::Watch() {
  std::unique_lock<std::mutex> Lock(WatchMutex);
  if (WatchWake.wait_for(Lock, std::chrono::seconds(20), [this] { return Done; })) return;
  Fired = true;
  Con->Terminated = true;
}

void UITest::Open(int Cols, int Rows) {
  auto New = std::make_unique<TSDLConsole>();
  New->OpenScreen(Cols, Rows, 1);
  std::lock_guard<std::mutex> Lock(WatchMutex);
  Con = std::move(New);
}

uint8_t UITest::Ch(int X, int Y) const { return Con->Cell(X, Y).Ch; }
uint8_t UITest::Attr(int X, int Y) const { return Con->Cell(X, Y).Attr; }

std::string UITest::Text(int X1, int X2, int Y) const {
  std::string S;
  for (int X = X1; X <= X2; ++X) S += static_cast<char>(Ch(X, Y));
  return S;
}

void UITest::Key(char K) { Con->PushKey(static_cast<uint8_t>(K)); }
void UITest::Ext(uint8_t Scan) { Con->PushExtKey(Scan); }
void UITest::Keys(const std::string& S) {
  for (char K : S) Key(K);
}
void UITest::Close() { Con->Terminated = true; }

void UITest::Pattern() {
  for (int Y = 1; Y <= Con->Rows; ++Y)
    for (int X = 1; X <= Con->Cols; ++X) {
      TConsoleCell Cell;
      Cell.Ch = static_cast<uint8_t>('A' + (X + Y) % 26);
      Cell.Attr = static_cast<uint8_t>((X * 7 + Y * 3) % 256);
      Cell.Font = 1;
      Con->PutCell(X, Y, Cell, 1);
    }
  Con->GotoXY(7, 9);
  Con->SetTextAttr(30, true);
  Con->SetFg256(200);
}

std::unique_ptr<UITest::TSnap> UITest::Snapshot() const {
  auto S = std::make_unique<TSnap>();
  S->Image = std::make_unique<TConsoleImage>();
  Con->SaveScreen(1, 1, Con->Cols, Con->Rows, *S->Image);
  S->CursorX = Con->CursorX;
  S->CursorY = Con->CursorY;
  S->TextAttr = Con->TextAttr;
  return S;
}

::testing::AssertionResult UITest::Same(const TSnap& S) const {
  for (int Y = 1; Y <= Con->Rows; ++Y)
    for (int X = 1; X <= Con->Cols; ++X)
      if (!(Con->Cell(X, Y) == S.Image->Cells[Y - 1][X - 1]))
        return ::testing::AssertionFailure() << "cell " << X << "," << Y << " differs";
  if (Con->CursorX != S.CursorX || Con->CursorY != S.CursorY)
    return ::testing::AssertionFailure() << "cursor at " << Con->CursorX << "," << Con->CursorY;
  if (Con->TextAttr != S.TextAttr || Con->FgMode != S.Image->FgMode || Con->Fg256 != S.Image->Fg256)
    return ::testing::AssertionFailure() << "colour state differs";
  return ::testing::AssertionSuccess();
}
