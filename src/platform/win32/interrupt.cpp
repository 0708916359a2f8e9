// Ctrl-C and the console's close request on Windows: a console control handler sets the flag
// and wakes a pending sleep through a manual-reset event.
#include "platform/interrupt.h"

#include <windows.h>

#include <atomic>

namespace vdinv::platform {
namespace {

std::atomic<bool> g_interrupted{false};

HANDLE WakeEvent() {
  static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

BOOL WINAPI OnConsoleControl(DWORD type) {
  switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      // The user asked twice: the orderly shutdown is stuck, let the default handler end it.
      if (g_interrupted.exchange(true)) return FALSE;
      if (WakeEvent() != nullptr) SetEvent(WakeEvent());
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void InstallInterruptFlag() {
  WakeEvent();
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool Interrupted() {
  return g_interrupted.load();
}

void SleepMilliseconds(uint32_t ms) {
  if (Interrupted()) return;
  const HANDLE event = WakeEvent();
  if (event != nullptr) {
    WaitForSingleObject(event, ms);
  } else {
    Sleep(ms);
  }
}

}  // namespace vdinv::platform
