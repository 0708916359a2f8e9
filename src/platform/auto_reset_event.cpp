// The auto-reset event, the same on every platform.
#include <chrono>
#include <limits>

#include "platform/threading.h"

namespace vdinv::platform {

bool AutoResetEvent::Wait(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto signalled = [this] { return signalled_; };
  if (timeoutMs == std::numeric_limits<uint32_t>::max()) {  // INFINITE
    cv_.wait(lock, signalled);
  } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
    return false;
  }
  signalled_ = false;
  return true;
}

void AutoResetEvent::Signal() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = true;
  }
  cv_.notify_one();
}

}  // namespace vdinv::platform
