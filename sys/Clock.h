// The system clock as the install steps see it: the local time now, and a pause. Injected so
// tests can stand on any moment and pass seconds without waiting for them.
#pragma once

#include <cstdint>

#include "sys/Files.h"

namespace sys {

class Clock {
 public:
  virtual ~Clock() = default;
  // The local date and time, as GetLocalTime gives it.
  virtual LocalTime Now() = 0;
  // Blocks the calling thread for at least this many milliseconds.
  virtual void Sleep(uint32_t milliseconds) = 0;
};

// The machine's own clock.
Clock& RealClock();

}  // namespace sys
