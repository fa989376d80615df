// The key and mouse input queue: TKeyQueue, and the console's key operations and waits built
// on it (reading keys, waiting for input, Terminate ending every wait, mouse press latches).
#include "console/key_queue.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "console/console.h"
#include "support/cp437.h"

// ---------------------------------------------------------------------------------------
// TKeyQueue

uint32_t TKeyQueue::FirstUnread(uint32_t Reset) const {
  const uint32_t R = Read.load();
  return static_cast<int32_t>(Reset - R) > 0 ? Reset : R;
}

void TKeyQueue::Push(uint32_t Entry) {
  const uint32_t W = Write.load();
  const uint32_t R = FirstUnread(ResetAt.load());
  if (W - R >= Size) ResetAt.store(W);
  Buf[W % Size].store(Entry);
  Write.store(W + 1);
  Wake();
}

bool TKeyQueue::Pressed() const { return FirstUnread(ResetAt.load()) != Write.load(); }

bool TKeyQueue::TryRead(uint32_t& Entry) {
  for (;;) {
    const uint32_t Reset = ResetAt.load();
    const uint32_t R = FirstUnread(Reset);
    if (R == Write.load()) return false;
    Entry = Buf[R % Size].load();
    // A reset while reading may have reused the slot: read again from the new start.
    if (ResetAt.load() != Reset) continue;
    Read.store(R + 1);
    return true;
  }
}

bool TKeyQueue::Take(uint8_t Ch) {
  for (;;) {
    const uint32_t Reset = ResetAt.load();
    const uint32_t R = FirstUnread(Reset);
    const uint32_t W = Write.load();
    uint32_t P = R;
    while (P != W) {
      const uint32_t B = Buf[P % Size].load();
      if (B == Ch && B != 0) break;
      P += B == 0 && P + 1 != W ? 2 : 1;   // an extended key is two bytes
    }
    // A reset while looking may have reused the slots: look again from the new start.
    if (ResetAt.load() != Reset) continue;
    if (P == W) return false;
    Read.store(P + 1);
    return true;
  }
}

void TKeyQueue::Wake() {
  // A waiter counts itself before it looks at the queue, so either it sees the new state
  // or it is counted here; taking the mutex makes sure it is already waiting.
  if (Waiters.load() == 0) return;
  { std::lock_guard<std::mutex> Lock(WaitMutex); }
  Signal.notify_all();
}

template <typename Pred>
bool TKeyQueue::Wait(int Milliseconds, const std::atomic<bool>& Stop, Pred Done) {
  constexpr auto Slice = std::chrono::milliseconds(100);
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(Milliseconds, 0));
  Waiters.fetch_add(1);
  std::unique_lock<std::mutex> Lock(WaitMutex);
  bool Result = false;
  for (;;) {
    if (Done()) {
      Result = true;
      break;
    }
    if (Stop.load()) break;
    auto Until = std::chrono::steady_clock::now() + Slice;
    if (Milliseconds >= 0) {
      if (std::chrono::steady_clock::now() >= End) break;
      Until = std::min(Until, End);
    }
    Signal.wait_until(Lock, Until);
  }
  Lock.unlock();
  Waiters.fetch_sub(1);
  return Result;
}

// ---------------------------------------------------------------------------------------
// The console's keys and waits

void TSDLConsole::PushKey(uint8_t Ch) { Keys.Push(Ch); }

void TSDLConsole::PushExtKey(uint8_t Code) {
  PushKey(0);
  PushKey(Code);
}

void TSDLConsole::PushKeyString(std::string_view S) {
  if (S.empty()) return;
  PushKey(static_cast<uint8_t>(S[0]));
  if (S.size() >= 2) PushKey(static_cast<uint8_t>(S[1]));
}

void TSDLConsole::PushText(char32_t C) {
  if (C < 32 || (C >= 127 && C < 160) || C > 0x10FFFF) return;
  Keys.Push(TKeyQueue::TextFlag | C);
}

bool TSDLConsole::KeyPressed() const { return Keys.Pressed(); }

bool TSDLConsole::TakeKey(uint8_t Ch) { return Keys.Take(Ch); }

void TSDLConsole::Terminate() {
  Terminated.store(true);
  Keys.Wake();
}

void TSDLConsole::NoteMousePress(int Button) {
  if (Button < 0 || Button > 2) return;
  MousePressLatch.fetch_or(1u << Button);
  Keys.Wake();
}

TSDLConsole::TKeyOrText TSDLConsole::ReadKeyOrText() {
  TWaitOutsideLock Unlocked(*this);
  for (;;) {
    Keys.Wait(-1, Terminated, [this] { return Keys.Pressed(); });
    uint32_t Entry = 0;
    if (Keys.TryRead(Entry)) {
      if (Entry & TKeyQueue::TextFlag) return {0, static_cast<char32_t>(Entry & ~TKeyQueue::TextFlag)};
      return {static_cast<uint8_t>(Entry), 0};
    }
    if (Terminated.load()) return {1, 0};
  }
}

uint8_t TSDLConsole::ReadKey() {
  const TKeyOrText K = ReadKeyOrText();
  return K.Text ? static_cast<uint8_t>(lx::CharToCP437(K.Text)) : K.Key;
}

bool TSDLConsole::KeyWait(int Milliseconds) {
  TWaitOutsideLock Unlocked(*this);
  Keys.Wait(std::max(Milliseconds, 0), Terminated, [this] { return Keys.Pressed(); });
  return Keys.Pressed();
}

bool TSDLConsole::InputWait(int Milliseconds) {
  TWaitOutsideLock Unlocked(*this);
  return Keys.Wait(std::max(Milliseconds, 0), Terminated,
                   [this] { return Keys.Pressed() || MousePressLatch.load() != 0; });
}

uint8_t TSDLConsole::ReadKeyWait() {
  while (!KeyWait(1000) && !Terminated.load()) {
  }
  return ReadKey();
}

void TSDLConsole::Delay(int Milliseconds) const {
  if (Milliseconds <= 0) return;
  TWaitOutsideLock Unlocked(*this);
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}
