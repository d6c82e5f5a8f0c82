// Calendar arithmetic for the fake clock: days counted from 1 March of year 0, so the leap
// day falls at the end of each counted year.
#include "FakeClock.h"

#include <numeric>

namespace support {
namespace {

int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

}  // namespace

sys::LocalTime FakeClock::Now() {
  ++readings;
  sys::LocalTime reading = now;
  Advance(stepPerReading);
  return reading;
}

void FakeClock::Sleep(uint32_t milliseconds) {
  pauses.push_back(milliseconds);
  Advance(milliseconds);
}

void FakeClock::Advance(int64_t milliseconds) {
  const int64_t msPerDay = 86400000;
  int64_t day = DaysFromCivil(now.year, now.month, now.day);
  int64_t ms = ((now.hour * 60 + now.minute) * 60 + now.second) * 1000LL + now.milliseconds + milliseconds;
  int64_t carry = ms >= 0 ? ms / msPerDay : (ms - msPerDay + 1) / msPerDay;  // rounded down
  day += carry;
  ms -= carry * msPerDay;
  CivilFromDays(day, now.year, now.month, now.day);
  now.hour = static_cast<int>(ms / 3600000);
  now.minute = static_cast<int>(ms / 60000 % 60);
  now.second = static_cast<int>(ms / 1000 % 60);
  now.milliseconds = static_cast<int>(ms % 1000);
}

uint64_t FakeClock::PausedMilliseconds() const { return std::accumulate(pauses.begin(), pauses.end(), uint64_t{0}); }

}  // namespace support
