#include <gtest/gtest.h>

#include <vector>

#include "app/line_pacer.h"

namespace {

// One step on the pacer's clock: a speed set, bytes arriving, then a Take that must release
// exactly Taken bytes and leave the next byte due Next microseconds later (-1: none waits).
struct TStep {
  int64_t Us;
  int Speed;  // -1 keeps the speed
  size_t Push;
  size_t Taken;
  int64_t Next;
};

TEST(LinePacer, ReleasesBytesAtTheLinesPace) {
  const size_t Big = TLinePacer::MaxWaiting + 100;
  const std::vector<std::vector<TStep>> Runs = {
      // 2400 bps is 240 bytes a second, one each 4166.7 us, counted from the first arrival.
      {{0, 4, 1000, 0, 4167}, {4166, -1, 0, 0, 1}, {4167, -1, 0, 1, 4167}, {1'000'000, -1, 0, 239, 4167}},
      // An idle line saves no credit: data after a pause starts from its own arrival.
      {{0, 6, 10, 0, 1042}, {1'000'000, -1, 0, 10, -1}, {5'000'000, -1, 100, 0, 1042}, {5'100'000, -1, 0, 96, 1042}},
      // Unlimited shows everything at once; so does code 12, which is no speed.
      {{0, 0, 50, 50, -1}, {10, 12, 7, 7, -1}},
      // Past 4 MiB waiting, the excess is shown at once; the pace goes on as before.
      {{0, 1, Big, 100, 33334}, {1'000'000, -1, 0, 30, 33334}},
      // A new speed counts from the moment it is set.
      {{0, 4, 1000, 0, 4167}, {1'000'000, -1, 0, 240, 4167}, {1'000'000, 6, 0, 0, 1042}, {1'500'000, -1, 0, 480, 1042}},
  };
  for (size_t R = 0; R < Runs.size(); ++R) {
    TLinePacer P;
    for (const TStep& S : Runs[R]) {
      if (S.Speed >= 0) P.SetSpeed(static_cast<uint8_t>(S.Speed), S.Us);
      const std::vector<uint8_t> Data(S.Push, 'x');
      P.Push(Data.data(), Data.size(), S.Us);
      EXPECT_EQ(P.Take(S.Us).size(), S.Taken) << "run " << R << " at " << S.Us;
      EXPECT_EQ(P.UsUntilNext(S.Us), S.Next) << "run " << R << " at " << S.Us;
    }
  }
}

TEST(LinePacer, KeepsTheOrderAndHandsTheRestOver) {
  TLinePacer P;
  P.SetSpeed(3, 0);  // 120 bytes a second
  const std::vector<uint8_t> Data = {'a', 'b', 'c', 'd', 'e'};
  P.Push(Data.data(), 3, 0);
  P.Push(Data.data() + 3, 2, 5);
  const auto First = P.Take(16'667);
  EXPECT_EQ(std::vector<uint8_t>(First.begin(), First.end()), (std::vector<uint8_t>{'a', 'b'}));
  EXPECT_EQ(P.TakeAll(), (std::vector<uint8_t>{'c', 'd', 'e'}));
}

}  // namespace
