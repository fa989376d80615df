// Shows received data at the pace of an emulated modem line, so that art drawn for 2400 or
// 9600 bps (animations above all) fills the screen as its artist saw it:
//     TLinePacer P;
//     P.SetSpeed(4, Now);                  // 2400 bps: 240 bytes a second
//     P.Push(Data, Length, Now);           // as bytes arrive; they wait here
//     auto Due = P.Take(Now);              // what is due by now: show it
//     int64_t Us = P.UsUntilNext(Now);     // sleep at most this long, then Take again
// Times are microseconds of one steady clock, given by the caller (tests give their own).
// Bytes fall due one by one at the line's rate from the moment data waits; an idle line saves
// no credit for a burst later.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class TLinePacer {
 public:
  // Beyond this much waiting, the oldest data is shown at once: a board that sends far more
  // than the line carries must not take memory without bound, nor lose what it sent.
  static constexpr size_t MaxWaiting = size_t{4} << 20;
  static constexpr uint8_t SpeedCount = 12;  // codes 0 (unlimited) .. 11

  // Bits per second of a speed code (0 unlimited, 1..11 300..115200); 0 for any other code.
  static uint32_t Bps(uint8_t Code);

  // A new speed counts from Now; 0 (or an unknown code) shows everything at once.
  void SetSpeed(uint8_t Code, int64_t NowUs);
  uint8_t Speed() const { return Code; }
  bool Paced() const { return Code != 0; }

  // Arriving data joins the end of the wait; with no speed set it is due at once.
  void Push(const uint8_t* Data, size_t Length, int64_t NowUs);
  // Everything due by Now, oldest first, together with whatever lies beyond MaxWaiting. The
  // span stays valid until the next call that changes the pacer.
  std::span<const uint8_t> Take(int64_t NowUs);
  // Everything waiting, due or not (a transfer starts, the line is hung up).
  std::vector<uint8_t> TakeAll();
  void Clear();

  size_t Waiting() const { return Buf.size() - Head; }
  // Microseconds until the next byte falls due (0: one is due now); -1 when nothing waits.
  int64_t UsUntilNext(int64_t NowUs) const;

 private:
  // Bytes the line has carried from Start to Now.
  uint64_t Carried(int64_t NowUs) const;
  std::span<const uint8_t> Release(size_t Count);

  uint8_t Code = 0;
  uint32_t Rate = 0;        // bits per second; 0 unlimited
  int64_t Start = 0;        // when the present run of paced bytes began
  uint64_t Shown = 0;       // bytes of that run released at the line's pace
  std::vector<uint8_t> Buf;  // waiting data from Head on; the front is dropped as it goes
  size_t Head = 0;
  std::vector<uint8_t> Out;  // what the last Take returned
};
