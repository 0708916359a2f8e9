// Time as the driver sees it: a wrapping millisecond tick and the local wall clock.
// Everything that times, stamps or schedules asks an IClock; tests hand in a fake.
#pragma once

#include <cstdint>

namespace vdinv::platform {

struct LocalDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds since an arbitrary start, truncated to 32 bits: it wraps after about 49.7 days.
  virtual uint32_t TickCount() const = 0;
  // The local date and time.
  virtual LocalDateTime Now() const = 0;
};

// The operating system's clock (CLOCK_MONOTONIC ticks, local time of the time zone).
IClock& SystemClock();

}  // namespace vdinv::platform
