#include "support/fake_clock.h"

namespace vdinv::test {

void FakeClock::Advance(uint32_t ms) {
  tick_ += ms;
  uint64_t total = static_cast<uint64_t>(now_.millisecond) + ms;
  now_.millisecond = static_cast<int>(total % 1000);
  uint64_t seconds = total / 1000 + static_cast<uint64_t>(now_.second) +
                     60ULL * static_cast<uint64_t>(now_.minute) +
                     3600ULL * static_cast<uint64_t>(now_.hour);
  now_.second = static_cast<int>(seconds % 60);
  now_.minute = static_cast<int>(seconds / 60 % 60);
  now_.hour = static_cast<int>(seconds / 3600 % 24);
  int days = static_cast<int>(seconds / 86400);
  if (days > 0) {
    platform::LocalDateTime moved = platform::AddDays(now_, days);
    now_.year = moved.year;
    now_.month = moved.month;
    now_.day = moved.day;
  }
}

}  // namespace vdinv::test
