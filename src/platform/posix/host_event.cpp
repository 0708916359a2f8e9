// The host's fault event on Linux: a non-blocking eventfd.
#include "platform/host_event.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace vdinv::platform {

HostFaultEvent::HostFaultEvent() {
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  handle_ = fd > 0 ? fd : 0;
}

HostFaultEvent::~HostFaultEvent() {
  if (handle_ > 0) ::close(handle_);
}

bool HostFaultEvent::Take() {
  uint64_t count = 0;
  return handle_ > 0 && ::read(handle_, &count, sizeof count) == sizeof count && count > 0;
}

}  // namespace vdinv::platform
