// The host's fault event on Windows: an auto-reset event, polled with a zero wait.
#include "platform/host_event.h"

#include <windows.h>

namespace vdinv::platform {
namespace {

HANDLE AsHandle(int32_t handle) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

}  // namespace

HostFaultEvent::HostFaultEvent() {
  // Kernel handles fit 32 bits on both widths, which is how a host hands them over.
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  handle_ = event != nullptr ? static_cast<int32_t>(reinterpret_cast<intptr_t>(event)) : 0;
}

HostFaultEvent::~HostFaultEvent() {
  if (handle_ != 0) CloseHandle(AsHandle(handle_));
}

bool HostFaultEvent::Take() {
  return handle_ != 0 && WaitForSingleObject(AsHandle(handle_), 0) == WAIT_OBJECT_0;
}

}  // namespace vdinv::platform
