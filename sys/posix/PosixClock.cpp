// The host's clock in local time, and a pause that resumes after signals.
#include <cerrno>
#include <ctime>

#include "sys/Clock.h"

namespace sys {
namespace {

class PosixClock final : public Clock {
 public:
  LocalTime Now() override {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return {local.tm_year + 1900,
            local.tm_mon + 1,
            local.tm_mday,
            local.tm_hour,
            local.tm_min,
            local.tm_sec,
            static_cast<int>(now.tv_nsec / 1000000)};
  }
  void Sleep(uint32_t milliseconds) override {
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

Clock& RealClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace sys
