// What a driver object takes from its surroundings: the module records, the log file and the
// clock. The host interface hands in the process-wide ones; tests hand in their own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/module_info.h"
#include "platform/clock.h"
#include "platform/serial_device.h"

namespace vdinv::engine {

struct DriverEnvironment {
  const TModuleInfo* hostModule = nullptr;
  const TModuleInfo* driverModule = nullptr;
  std::string logPath;
  platform::IClock* clock = nullptr;
  // Makes the serial devices of the line; empty: the platform's.
  std::function<std::unique_ptr<platform::ISerialDevice>()> serialDevices;
  // The object's exchanges run on a line thread of their own instead of in the host's polls.
  bool lineThread = false;
};

}  // namespace vdinv::engine
