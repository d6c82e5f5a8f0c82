// A clock for tests that stands still unless told to move: on each reading by a set step,
// and on each pause by the time paused, across day, month and year ends.
#pragma once

#include <cstdint>
#include <vector>

#include "sys/Clock.h"

namespace support {

class FakeClock : public sys::Clock {
 public:
  explicit FakeClock(const sys::LocalTime& start) : now(start) {}

  sys::LocalTime now;
  uint32_t stepPerReading = 0;   // milliseconds the clock moves after each Now()
  std::vector<uint32_t> pauses;  // every Sleep asked for
  int readings = 0;

  sys::LocalTime Now() override;
  void Sleep(uint32_t milliseconds) override;

  // Moves the clock on by this many milliseconds, in the proleptic Gregorian calendar.
  void Advance(int64_t milliseconds);
  uint64_t PausedMilliseconds() const;
};

}  // namespace support
