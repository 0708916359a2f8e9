// A clock the test moves by hand: ticks and local time advance together.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/datetime.h"

namespace vdinv::test {

class FakeClock : public platform::IClock {
 public:
  explicit FakeClock(platform::LocalDateTime now = {2026, 12, 7, 7, 26, 50, 0},
                     uint32_t tick = 1000)
      : now_(now), tick_(tick) {}

  uint32_t TickCount() const override { return tick_; }
  platform::LocalDateTime Now() const override { return now_; }

  void SetTick(uint32_t tick) { tick_ = tick; }
  void SetNow(const platform::LocalDateTime& now) { now_ = now; }
  // Moves both the tick (wrapping) and the wall clock forward.
  void Advance(uint32_t ms);

 private:
  platform::LocalDateTime now_;
  uint32_t tick_;
};

}  // namespace vdinv::test
