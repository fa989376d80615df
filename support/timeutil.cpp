#include "support/timeutil.h"

#include <sys/select.h>
#include <ctime>

#include "support/strings.h"

namespace lx {

void WaitMS(int64_t Ms) {
  if (Ms <= 0) return;
  struct timeval Tv;
  Tv.tv_sec = static_cast<time_t>(Ms / 1000);
  Tv.tv_usec = static_cast<suseconds_t>((Ms % 1000) * 1000);
  ::select(0, nullptr, nullptr, nullptr, &Tv);
}

int64_t TickMS() {
  struct timespec Ts;
  ::clock_gettime(CLOCK_MONOTONIC, &Ts);
  return static_cast<int64_t>(Ts.tv_sec) * 1000 + Ts.tv_nsec / 1000000;
}

TDateTime LocalNow() {
  struct timespec Ts;
  ::clock_gettime(CLOCK_REALTIME, &Ts);
  struct tm Tm {};
  time_t Secs = Ts.tv_sec;
  ::localtime_r(&Secs, &Tm);
  TDateTime T;
  T.Year = Tm.tm_year + 1900;
  T.Month = Tm.tm_mon + 1;
  T.Day = Tm.tm_mday;
  T.Hour = Tm.tm_hour;
  T.Min = Tm.tm_min;
  T.Sec = Tm.tm_sec;
  T.Hundredths = static_cast<int>(Ts.tv_nsec / 10000000);
  return T;
}

int64_t HundredthsOfHourAt(const TDateTime& T) {
  return static_cast<int64_t>(T.Min % 60) * 6000 + (T.Sec % 60) * 100 + T.Hundredths;
}

int64_t HundredthsOfHour() { return HundredthsOfHourAt(LocalNow()); }

int64_t TimerSet(int64_t D) { return HundredthsOfHour() + D; }

bool TimerUpAt(int64_t End, int64_t Now) {
  if (End - 65536 > Now) Now += 360000;
  return Now - End >= 0;
}

bool TimerUp(int64_t End) { return TimerUpAt(End, HundredthsOfHour()); }

int64_t SecondsToday() {
  TDateTime T = LocalNow();
  return static_cast<int64_t>(T.Hour) * 3600 + T.Min * 60 + T.Sec;
}

int64_t MinutesToday() {
  TDateTime T = LocalNow();
  return static_cast<int64_t>(T.Hour) * 60 + T.Min;
}

uint32_t PackDateTime(const TDateTime& T) {
  uint32_t Y = static_cast<uint32_t>(T.Year - 1980) & 0x7F;
  return (Y << 25) | ((static_cast<uint32_t>(T.Month) & 0x0F) << 21) |
         ((static_cast<uint32_t>(T.Day) & 0x1F) << 16) | ((static_cast<uint32_t>(T.Hour) & 0x1F) << 11) |
         ((static_cast<uint32_t>(T.Min) & 0x3F) << 5) | ((static_cast<uint32_t>(T.Sec) / 2) & 0x1F);
}

TDateTime UnpackDateTime(uint32_t P) {
  TDateTime T;
  T.Year = static_cast<int>(P >> 25) + 1980;
  T.Month = static_cast<int>((P >> 21) & 0x0F);
  T.Day = static_cast<int>((P >> 16) & 0x1F);
  T.Hour = static_cast<int>((P >> 11) & 0x1F);
  T.Min = static_cast<int>((P >> 5) & 0x3F);
  T.Sec = static_cast<int>(P & 0x1F) * 2;
  return T;
}

uint32_t PackedNow() {
  TDateTime T = LocalNow();
  if (T.Year < 1980) T.Year = 1980;
  return PackDateTime(T);
}

namespace {
// Days from 1970-01-01 to a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t Y, int64_t M, int64_t D) {
  Y -= M <= 2;
  int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  int64_t Yoe = Y - Era * 400;
  int64_t Doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
  int64_t Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
  return Era * 146097 + Doe - 719468;
}
}  // namespace

int64_t PackedToUnix(uint32_t P) {
  TDateTime T = UnpackDateTime(P);
  // A stored 0 (never) has month and day 0; read those as the first.
  int M = T.Month < 1 ? 1 : (T.Month > 12 ? 12 : T.Month);
  int D = T.Day < 1 ? 1 : T.Day;
  return DaysFromCivil(T.Year, M, D) * 86400 + static_cast<int64_t>(T.Hour) * 3600 + T.Min * 60 + T.Sec;
}

std::string FormatHHMM(int64_t Seconds) {
  return Int2(Seconds / 3600) + ":" + Int2((Seconds % 3600) / 60);
}

void FormatDate(const TDateTime& Date, int Style, std::string& Dest) {
  std::string Year = IntToStr(Date.Year);
  if (Style >= 1 && Style <= 3) Year = Year.size() > 2 ? Year.substr(Year.size() - 2) : Int2(Date.Year);
  std::string Month = Int2(Date.Month);
  std::string Day = Int2(Date.Day);
  switch (Style) {
    case 1: case 4: Dest = Month + "/" + Day + "/" + Year; break;
    case 2: case 5: Dest = Day + "/" + Month + "/" + Year; break;
    case 3: case 6: Dest = Year + "/" + Month + "/" + Day; break;
    default: break;
  }
}

void FormatPackedDate(uint32_t P, int Style, std::string& Dest) { FormatDate(UnpackDateTime(P), Style, Dest); }

}  // namespace lx
