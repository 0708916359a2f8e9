// Surroundings for a driver object under test: a fake clock, module records with the
// driver's words, and a log in a temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/module_info.h"
#include "common/parameter_block.h"
#include "common/records.h"
#include "engine/driver_environment.h"
#include "support/device_block.h"
#include "support/fake_clock.h"
#include "support/fake_serial_device.h"
#include "support/temp_dir.h"

namespace vdinv::test {

class EngineFixture : public ::testing::Test {
 protected:
  EngineFixture();

  engine::DriverEnvironment Environment() {
    return {&hostInfo, &driverInfo, logPath, &clock, FakeSerialDevice::Factory(line)};
  }
  // The log's text converted to UTF-8, or empty when there is none.
  std::string LogText() const;
  // A defaulted block with the given devices (device number, model code).
  static TDevParmBlock Block(std::initializer_list<std::pair<int, uint8_t>> devices) {
    return DevicesBlock(devices);
  }
  // A host tag record.
  static TTagInfo Tag(uint32_t id, const std::string& name, const std::string& address,
                      uint8_t dataType, uint32_t scanPeriod = 1000);

  TempDir dir;
  FakeClock clock;
  // The serial line of the objects under test: a device in memory.
  std::shared_ptr<FakeSerialLine> line = std::make_shared<FakeSerialLine>();
  TModuleInfo hostInfo;
  TModuleInfo driverInfo;
  std::string logPath;
};

}  // namespace vdinv::test
