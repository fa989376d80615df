// Mouse events meant for the remote side, handed from the window thread to the main thread:
//
//     Con.MouseReporting = true;                      // main thread: the board asked
//     Con.MouseInputs.Push({TMouseInput::TKind::Press, 0, 0, 12, 5});   // window thread
//     TMouseInput In; while (Con.MouseInputs.Pop(In)) Send(Report(In));  // main thread
//
// The queue is bounded: what does not fit is dropped, never waited for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

// Press and Release: Button 0 left, 1 middle, 2 right. Motion (the pointer reached another
// cell): Button is the one held, 3 for none. Wheel: Button 0 up, 1 down. Mods are xterm's
// modifier bits (4 Shift, 8 Alt, 16 Ctrl). X, Y: 1-based cell.
struct TMouseInput {
  enum class TKind : uint8_t { Press, Release, Motion, Wheel };
  TKind Kind = TKind::Motion;
  uint8_t Button = 3;
  uint8_t Mods = 0;
  uint16_t X = 1, Y = 1;
  bool operator==(const TMouseInput&) const = default;
};

class TMouseInputQueue {
 public:
  // A main thread that stopped reading for this long has no use for older moves anyway.
  static constexpr size_t Capacity = 256;

  void Push(const TMouseInput& In) {
    std::lock_guard Hold(Lock);
    if (Items.size() < Capacity) Items.push_back(In);
  }
  bool Pop(TMouseInput& In) {
    std::lock_guard Hold(Lock);
    if (Items.empty()) return false;
    In = Items.front();
    Items.pop_front();
    return true;
  }
  void Clear() {
    std::lock_guard Hold(Lock);
    Items.clear();
  }

 private:
  std::mutex Lock;
  std::deque<TMouseInput> Items;
};
