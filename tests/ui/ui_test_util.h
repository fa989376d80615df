#pragma once

// A headless console for driving the toolkit's modal loops: queue the keys
// first, run the loop, then read back what it returned and what the cells hold.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "console/console.h"
#include "ui/ui_settings.h"

class UITest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void Open(int Cols, int Rows);

  TSDLConsole& C() { return *Con; }
  uint8_t Ch(int X, int Y) const;
  uint8_t Attr(int X, int Y) const;
  // Characters of row Y from column X1 to X2 inclusive.
  std::string Text(int X1, int X2, int Y) const;

  void Key(char K);
  void Ext(uint8_t Scan);
  void Keys(const std::string& S);
  // Sets the closing flag; every loop must then end at once.
  void Close();

  // Fills the screen with a recognisable pattern so restores can be checked.
  void Pattern();
  // True when every cell and the cursor and colour state equal the snapshot.
  struct TSnap;
  std::unique_ptr<TSnap> Snapshot() const;
  ::testing::AssertionResult Same(const TSnap& S) const;

  std::unique_ptr<TSDLConsole> Con;
  TUISettings Settings;

 private:
  // A loop left waiting for a key that was never queued would hang the
  // suite; the watchdog closes the console instead and the test fails.
  void Watch();
  std::thread Watchdog;
  std::mutex WatchMutex;
  std::condition_variable WatchWake;
  bool Done = false;
  bool Fired = false;
};

struct UITest::TSnap {
  std::unique_ptr<TConsoleImage> Image;
  int CursorX = 0, CursorY = 0, TextAttr = 0;
};
