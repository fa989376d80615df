#pragma once

// A headless console for driving the toolkit's modal loops: queue the keys
// first, run the loop, then read back what it returned and what the cells hold.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "console/console.h"
#include "support/test_watchdog.h"
#include "ui/ui_settings.h"

class UITest : public ::testing::Test {
 protected:
  // The console exists from construction so fixtures can hold widgets on it.
  UITest() { Open(80, 25); }
  void SetUp() override;
  void TearDown() override;
  void Open(int Cols, int Rows);

  TSDLConsole& C() { return *Con; }
  uint8_t Ch(int X, int Y) const { return Con->Cell(X, Y).Ch; }
  uint8_t Attr(int X, int Y) const { return Con->Cell(X, Y).Attr; }
  // Characters of row Y from column X1 to X2 inclusive.
  std::string Text(int X1, int X2, int Y) const;

  void Key(int K) { Con->PushKey(static_cast<uint8_t>(K)); }
  void Keys(const std::string& S) { for (const uint8_t K : S) Key(K); }
  // Queues keys in order: a negative code is the extended key with that scan code.
  void Press(const std::vector<int>& Codes) {
    for (int K : Codes) K < 0 ? Con->PushExtKey(static_cast<uint8_t>(-K)) : Key(K);
  }
  // Checks cells in one go; -1 leaves the character or attribute unchecked.
  struct TWant { int X, Y, Ch = -1, Attr = -1; };
  void Expect(std::initializer_list<TWant> Want) const;
  // Sets the closing flag; every loop must then end at once.
  void Close() { Con->Terminated = true; }

  // The pointer, scripted through the SDL entry table. Steps run in order as
  // the loops poll the mouse; a loop polls the mouse before it reads a key,
  // so mouse steps come before queued keys unless AfterKeys() comes first.
  void Click(int X, int Y, bool Right = false);
  void Move(int X, int Y);
  void AfterKeys() { MouseSteps.push_back({0, 0, 0, true, {}}); }  // the next steps wait for the queued keys
  void Peek(std::function<void()> Fn) { MouseSteps.push_back({0, 0, 0, false, std::move(Fn)}); }  // runs in the loop
  // For loops that read no mouse (so run no Peek): runs Loop while a second thread watches row Y;
  // once it shows Want, Check runs under the frame lock and the watcher types Answer.
  void Watch(const std::function<void()>& Loop, int Y, const std::string& Want,
             const std::function<void()>& Check, const std::string& Answer);

  // True when every cell and the cursor and colour state equal the snapshot.
  struct TSnap { TConsoleImage Image; int CursorX = 0, CursorY = 0, TextAttr = 0; };
  std::unique_ptr<TSnap> Snapshot() const;
  // Fills the screen with a recognisable pattern so restores can be checked; returns its snapshot.
  std::unique_ptr<TSnap> Pattern();
  ::testing::AssertionResult Same(const TSnap& S) const;

  lx::TUISettings Settings;

 public:
  std::unique_ptr<TSDLConsole> Con;
  struct TStep {
    int PX = 0, PY = 0;
    uint32_t Buttons = 0;
    bool WaitKeys = false;
    std::function<void()> Fn;
  };
  std::deque<TStep> MouseSteps;
  int IdleX = 4, IdleY = 8;  // pixel of the pointer when no step is due

 private:
  // A loop left waiting for a key that was never queued would hang the
  // suite; the watchdog closes the console instead and the test fails.
  std::unique_ptr<TWatchdog> Watchdog;
};
