// What the engine benchmarks share: a parameter block of G11S stations with the log switches
// off, and the surroundings of a driver object (module records, a log in a temporary
// directory, a clock and a line with nobody on it).
#pragma once

#include <filesystem>
#include <string>

#include "common/module_info.h"
#include "common/parameter_block.h"
#include "engine/driver_environment.h"
#include "support/quiet_serial_device.h"

namespace vdinv::bench {

inline TDevParmBlock StationsBlock(int stations) {
  TDevParmBlock block{};
  FillDefaults(block, 1000, 2);
  for (int i = 0; i < kDeviceCount; ++i) block.Devices[i].Model = kModelNone;
  for (int i = 0; i < stations; ++i) {
    block.Devices[i].DevNo = i;
    block.Devices[i].Model = kModelG11S;
    block.Devices[i].ModelName.Set(ModelNameOf(kModelG11S));
  }
  return block;
}

class Surroundings {
 public:
  Surroundings(const std::string& name, platform::IClock& clock)
      : dir_(std::filesystem::temp_directory_path() / name) {
    std::filesystem::remove_all(dir_);
    env_ = {&host_, &driver_, (dir_ / "Debug" / "VD_Inv.Log").string(), &clock,
            test::QuietSerialDevice::Factory()};
  }
  ~Surroundings() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  Surroundings(const Surroundings&) = delete;
  Surroundings& operator=(const Surroundings&) = delete;

  const engine::DriverEnvironment& Environment() const { return env_; }

 private:
  std::filesystem::path dir_;
  TModuleInfo host_;
  TModuleInfo driver_;
  engine::DriverEnvironment env_;
};

}  // namespace vdinv::bench
