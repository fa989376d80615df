#include "support/timeutil.h"

#include <gtest/gtest.h>

using namespace lx;

namespace {
int64_t At(int Min, int Sec, int Hund = 0) {
  TDateTime T;
  T.Min = Min, T.Sec = Sec, T.Hundredths = Hund;
  return HundredthsOfHourAt(T);
}
}  // namespace

// End times in hundredths of the hour, across the wrap and within it.
TEST(Timer, RunsOutAcrossTheHour) {
  const int64_t Wrap = At(59, 58) + 500, Within = At(10, 0) + 100;
  EXPECT_EQ((std::vector<bool>{TimerUpAt(Wrap, At(59, 58)), TimerUpAt(Wrap, At(59, 59, 99)), TimerUpAt(Wrap, At(0, 2, 99)),
                               TimerUpAt(Wrap, At(0, 3)), TimerUpAt(Wrap, At(0, 10)), TimerUpAt(Within, At(10, 0, 99)),
                               TimerUpAt(Within, At(10, 1)), TimerUp(TimerSet(0) - 1), TimerUp(TimerSet(3000) + 3000)}),
            (std::vector<bool>{false, false, false, true, true, false, true, true, false}));
  EXPECT_EQ(At(59, 59, 99), 359999);
  const int64_t A = TickMS();
  WaitMS(20);
  EXPECT_GE(TickMS() - A, 19);
  EXPECT_TRUE(SecondsToday() >= 0 && SecondsToday() < 86400 && MinutesToday() < 1440);
}

TEST(PackedDate, RoundTripUnixSecondsAndFormats) {
  const uint32_t P = PackDateTime({2024, 2, 29, 23, 59, 58});
  const TDateTime U = UnpackDateTime(P);
  EXPECT_EQ((std::vector<int>{U.Year, U.Month, U.Day, U.Hour, U.Min, U.Sec}), (std::vector<int>{2024, 2, 29, 23, 59, 58}));
  EXPECT_EQ(PackedToUnix(P), 1709251198);
  EXPECT_EQ(PackedToUnix(PackDateTime({1980, 1, 1, 0, 0, 0})), 315532800);
  EXPECT_GE(UnpackDateTime(PackedNow()).Year, 2020);
  std::vector<std::string> Got;
  for (int Style = 0; Style <= 7; ++Style) FormatDate({2007, 3, 9}, Style, Got.emplace_back("-"));  // 0, 7: unknown
  FormatPackedDate(0, 1, Got.emplace_back());  // a never-called entry stores 0
  EXPECT_EQ(Got, (std::vector<std::string>{"-", "03/09/07", "09/03/07", "07/03/09", "03/09/2007", "09/03/2007", "2007/03/09",
                                           "-", "00/00/80"}));
  EXPECT_EQ(FormatHHMM(0) + FormatHHMM(3 * 3600 + 7 * 60 + 59) + FormatHHMM(12 * 3600 + 45 * 60), "00:0003:0712:45");
}
