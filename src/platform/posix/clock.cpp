// The operating system's clock: CLOCK_MONOTONIC ticks and the local wall clock.
#include "platform/clock.h"

#include <time.h>

#include <new>

namespace vdinv::platform {
namespace {

class PosixClock final : public IClock {
 public:
  uint32_t TickCount() const override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000U + static_cast<uint64_t>(ts.tv_nsec) / 1000000U;
    return static_cast<uint32_t>(ms);  // wraps like the Windows tick
  }

  LocalDateTime Now() const override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    const time_t seconds = ts.tv_sec;
    tm local{};
    LocalDateTime now;
    if (localtime_r(&seconds, &local) == nullptr) return now;
    now.year = local.tm_year + 1900;
    now.month = local.tm_mon + 1;
    now.day = local.tm_mday;
    now.hour = local.tm_hour;
    now.minute = local.tm_min;
    now.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second stays in its minute
    now.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    return now;
  }
};

}  // namespace

IClock& SystemClock() {
  // Built in static storage and never destroyed: other static objects may still ask for the
  // time while the module unloads, and unloading must not leave a heap block behind.
  alignas(PosixClock) static unsigned char storage[sizeof(PosixClock)];
  static PosixClock* const clock = new (storage) PosixClock();
  return *clock;
}

}  // namespace vdinv::platform
