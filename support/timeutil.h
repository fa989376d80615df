#pragma once
// Clocks for time-outs, and MS-DOS packed date-times as stored in the
// program's files.

#include <cstdint>
#include <string>

namespace lx {

struct TDateTime {
  int Year = 1980;
  int Month = 1;
  int Day = 1;
  int Hour = 0;
  int Min = 0;
  int Sec = 0;
  int Hundredths = 0;
};

void WaitMS(int64_t Ms);
int64_t TickMS();
TDateTime LocalNow();

// Time-outs are end times in hundredths of a second within the current hour.
int64_t HundredthsOfHour();
int64_t HundredthsOfHourAt(const TDateTime& T);
int64_t TimerSet(int64_t D);
bool TimerUp(int64_t End);
// TimerUp against a given clock reading (0..359999), to handle the wrap at
// the hour without waiting for it.
bool TimerUpAt(int64_t End, int64_t Now);

int64_t SecondsToday();
int64_t MinutesToday();

uint32_t PackDateTime(const TDateTime& T);
TDateTime UnpackDateTime(uint32_t P);
uint32_t PackedNow();
// Seconds since 1970-01-01 of the packed local time, with no zone correction.
int64_t PackedToUnix(uint32_t P);

std::string FormatHHMM(int64_t Seconds);
// Styles 1-3: m/d/y, d/m/y, y/m/d with a two-digit year; 4-6 the same with
// four digits. Any other style leaves Dest unchanged.
void FormatDate(const TDateTime& Date, int Style, std::string& Dest);
void FormatPackedDate(uint32_t P, int Style, std::string& Dest);

}  // namespace lx
