#include "common/process_values.h"

#include <atomic>

namespace vdinv {
namespace {
std::atomic<uint32_t> g_outTime{kInitialOutTime};
std::atomic<int32_t> g_wCount{kInitialWCount};
}  // namespace

uint32_t ProcessOutTime() {
  return g_outTime.load();
}
void SetProcessOutTime(uint32_t ms) {
  g_outTime.store(ms);
}
int32_t ProcessWCount() {
  return g_wCount.load();
}
void SetProcessWCount(int32_t count) {
  g_wCount.store(count);
}

bool ConsumeWriteBudget() {
  int32_t current = g_wCount.load();
  while (current > 0) {
    if (g_wCount.compare_exchange_weak(current, current - 1)) return true;
  }
  return false;
}

}  // namespace vdinv
