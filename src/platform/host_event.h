// The host's side of the fault event: an event of this process's own, handed to the driver as
// a host hands its own (a HANDLE on Windows, a descriptor on Linux), and read back without
// blocking. For the driver's own tools and tests; the driver only signals (SignalFaultEvent).
#pragma once

#include <cstdint>

namespace vdinv::platform {

class HostFaultEvent {
 public:
  HostFaultEvent();
  ~HostFaultEvent();
  HostFaultEvent(const HostFaultEvent&) = delete;
  HostFaultEvent& operator=(const HostFaultEvent&) = delete;

  // What the driver receives (IniDriverEx); 0 when the event could not be made.
  int32_t Handle() const { return handle_; }
  // True when the event was signalled since the last call (the signal is then taken).
  bool Take();

 private:
  int32_t handle_ = 0;
};

}  // namespace vdinv::platform
