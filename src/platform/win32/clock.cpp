// The system's clock on Windows: GetTickCount (wraps after about 49.7 days, as the driver
// expects) and the local time.
#include "platform/clock.h"

#include <windows.h>

#include <new>

namespace vdinv::platform {
namespace {

class WindowsClock final : public IClock {
 public:
  uint32_t TickCount() const override { return static_cast<uint32_t>(GetTickCount()); }

  LocalDateTime Now() const override {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    LocalDateTime now;
    now.year = st.wYear;
    now.month = st.wMonth;
    now.day = st.wDay;
    now.hour = st.wHour;
    now.minute = st.wMinute;
    now.second = st.wSecond;
    now.millisecond = st.wMilliseconds;
    return now;
  }
};

}  // namespace

IClock& SystemClock() {
  // Static storage, never destroyed: other static objects may ask for the time while the module
  // unloads.
  alignas(WindowsClock) static unsigned char storage[sizeof(WindowsClock)];
  static WindowsClock* const clock = new (storage) WindowsClock();
  return *clock;
}

}  // namespace vdinv::platform
