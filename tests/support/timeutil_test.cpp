#include "support/timeutil.h"

#include <gtest/gtest.h>

using namespace lx;

static int64_t At(int Min, int Sec, int Hund = 0) {
  TDateTime T;
  T.Min = Min;
  T.Sec = Sec;
  T.Hundredths = Hund;
  return HundredthsOfHourAt(T);
}

TEST(Timer, RunsOutAcrossTheHour) {
  int64_t End = At(59, 58) + 500;  // five seconds, ending after the wrap
  EXPECT_FALSE(TimerUpAt(End, At(59, 58)));
  EXPECT_FALSE(TimerUpAt(End, At(59, 59, 99)));
  EXPECT_FALSE(TimerUpAt(End, At(0, 2, 99)));
  EXPECT_TRUE(TimerUpAt(End, At(0, 3)));
  EXPECT_TRUE(TimerUpAt(End, At(0, 10)));
}

TEST(Timer, WithinTheHour) {
  int64_t End = At(10, 0) + 100;
  EXPECT_FALSE(TimerUpAt(End, At(10, 0, 99)));
  EXPECT_TRUE(TimerUpAt(End, At(10, 1)));
  EXPECT_EQ(At(59, 59, 99), 359999);
  EXPECT_TRUE(TimerUp(TimerSet(0) - 1));
  EXPECT_FALSE(TimerUp(TimerSet(3000) + 3000));
}

TEST(Clock, MonotonicAndSleeps) {
  int64_t A = TickMS();
  WaitMS(20);
  EXPECT_GE(TickMS() - A, 19);
  EXPECT_GE(SecondsToday(), 0);
  EXPECT_LT(SecondsToday(), 86400);
  EXPECT_LT(MinutesToday(), 1440);
}

TEST(PackedDate, RoundTripAndUnixSeconds) {
  TDateTime T{2024, 2, 29, 23, 59, 58};
  uint32_t P = PackDateTime(T);
  TDateTime U = UnpackDateTime(P);
  EXPECT_EQ(U.Year, 2024);
  EXPECT_EQ(U.Month, 2);
  EXPECT_EQ(U.Day, 29);
  EXPECT_EQ(U.Hour, 23);
  EXPECT_EQ(U.Min, 59);
  EXPECT_EQ(U.Sec, 58);
  EXPECT_EQ(PackedToUnix(P), 1709251198);
  EXPECT_EQ(PackedToUnix(PackDateTime({1980, 1, 1, 0, 0, 0})), 315532800);
  EXPECT_EQ(UnpackDateTime(PackedNow()).Year >= 2020, true);
}

TEST(FormatDate, AllSixStyles) {
  TDateTime D{2007, 3, 9};
  std::string S = "unchanged";
  FormatDate(D, 1, S); EXPECT_EQ(S, "03/09/07");
  FormatDate(D, 2, S); EXPECT_EQ(S, "09/03/07");
  FormatDate(D, 3, S); EXPECT_EQ(S, "07/03/09");
  FormatDate(D, 4, S); EXPECT_EQ(S, "03/09/2007");
  FormatDate(D, 5, S); EXPECT_EQ(S, "09/03/2007");
  FormatDate(D, 6, S); EXPECT_EQ(S, "2007/03/09");
  FormatDate(D, 7, S); EXPECT_EQ(S, "2007/03/09");
  FormatDate(D, 0, S); EXPECT_EQ(S, "2007/03/09");
  // A never-called entry stores 0.
  FormatPackedDate(0, 1, S); EXPECT_EQ(S, "00/00/80");
}

TEST(FormatHHMM, HoursAndMinutes) {
  EXPECT_EQ(FormatHHMM(0), "00:00");
  EXPECT_EQ(FormatHHMM(3 * 3600 + 7 * 60 + 59), "03:07");
  EXPECT_EQ(FormatHHMM(12 * 3600 + 45 * 60), "12:45");
}
