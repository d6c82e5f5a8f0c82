// The host clock: local time as the C library reports it, and a pause that really pauses.
#include <gtest/gtest.h>

#include <ctime>

#include "sys/Clock.h"

namespace {

double MonotonicMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// time() reads a coarse clock that may still show the previous second after the
// fine clock has moved on, so the bounds come from the same clock as Now().
time_t RealtimeSeconds() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return t.tv_sec;
}

TEST(Clock, NowIsTheLocalTimeOfTheMoment) {
  time_t before = RealtimeSeconds();
  sys::LocalTime now = sys::RealClock().Now();
  time_t after = RealtimeSeconds();
  tm local{};
  local.tm_year = now.year - 1900;
  local.tm_mon = now.month - 1;
  local.tm_mday = now.day;
  local.tm_hour = now.hour;
  local.tm_min = now.minute;
  local.tm_sec = now.second;
  local.tm_isdst = -1;
  time_t back = mktime(&local);
  EXPECT_GE(back, before);
  EXPECT_LE(back, after);
  EXPECT_GE(now.milliseconds, 0);
  EXPECT_LE(now.milliseconds, 999);
}

TEST(Clock, SleepWaitsAtLeastTheTimeAsked) {
  double start = MonotonicMilliseconds();
  sys::RealClock().Sleep(40);
  EXPECT_GE(MonotonicMilliseconds() - start, 40.0);
}

}  // namespace
