#include "app/line_pacer.h"

#include <algorithm>

#include "phonebook/phonerec.h"

namespace {

// A byte on the line is ten bits: start, eight data bits, stop.
constexpr int64_t UsPerByteBit = 10'000'000;

}  // namespace

uint32_t TLinePacer::Bps(uint8_t Code) { return lx::LineSpeedBps(Code); }

void TLinePacer::SetSpeed(uint8_t NewCode, int64_t NowUs) {
  Code = NewCode < SpeedCount ? NewCode : 0;
  Rate = Bps(Code);
  Start = NowUs;
  Shown = 0;
}

uint64_t TLinePacer::Carried(int64_t NowUs) const {
  if (NowUs <= Start) return 0;
  return static_cast<uint64_t>((NowUs - Start) * static_cast<int64_t>(Rate) / UsPerByteBit);
}

void TLinePacer::Push(const uint8_t* Data, size_t Length, int64_t NowUs) {
  if (Length == 0) return;
  // What was taken last time may still be read by the caller until now: drop it only here.
  if (Head == Buf.size()) {
    Buf.clear();
    Head = 0;
  } else if (Head >= 65536 && Head * 2 >= Buf.size()) {
    Buf.erase(Buf.begin(), Buf.begin() + static_cast<std::ptrdiff_t>(Head));
    Head = 0;
  }
  // A line that was idle starts again from now: no credit was saved for a burst.
  if (Waiting() == 0) {
    Start = NowUs;
    Shown = 0;
  }
  Buf.insert(Buf.end(), Data, Data + Length);
}

std::span<const uint8_t> TLinePacer::Release(size_t Count) {
  const std::span<const uint8_t> Span(Buf.data() + Head, Count);
  Head += Count;
  return Span;
}

std::span<const uint8_t> TLinePacer::Take(int64_t NowUs) {
  const size_t Wait = Waiting();
  if (Rate == 0) return Release(Wait);
  const uint64_t Carry = Carried(NowUs);
  const size_t Due = static_cast<size_t>(std::min<uint64_t>(Carry > Shown ? Carry - Shown : 0, Wait));
  const size_t Over = Wait > MaxWaiting ? Wait - MaxWaiting : 0;
  Shown += Due;
  return Release(std::min(Wait, Due + Over));
}

std::vector<uint8_t> TLinePacer::TakeAll() {
  std::vector<uint8_t> All(Buf.begin() + static_cast<std::ptrdiff_t>(Head), Buf.end());
  Clear();
  return All;
}

void TLinePacer::Clear() {
  Buf.clear();
  Buf.shrink_to_fit();
  Head = 0;
  Shown = 0;
}

int64_t TLinePacer::UsUntilNext(int64_t NowUs) const {
  if (Waiting() == 0) return -1;
  if (Rate == 0 || Waiting() > MaxWaiting) return 0;
  // The next byte is due once the line has carried Shown + 1 bytes.
  const int64_t At = Start + static_cast<int64_t>(((Shown + 1) * UsPerByteBit + Rate - 1) / Rate);
  return std::max<int64_t>(0, At - NowUs);
}
