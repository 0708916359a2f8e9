// The two values shared by all driver objects of the process: the reply
// time-out and the write repetition count (which is also the write repetition budget).
#pragma once

#include <cstdint>

namespace vdinv {

constexpr uint32_t kInitialOutTime = 1000;
constexpr int32_t kInitialWCount = 2;
constexpr uint32_t kMinOutTime = 10;
constexpr uint32_t kMaxOutTime = 60000;

uint32_t ProcessOutTime();
void SetProcessOutTime(uint32_t ms);
int32_t ProcessWCount();
void SetProcessWCount(int32_t count);
// Lowers the budget by one when it is above 0; true when it was lowered.
bool ConsumeWriteBudget();

}  // namespace vdinv
