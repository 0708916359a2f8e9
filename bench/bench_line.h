// What the engine benchmarks share: a parameter block of G11S stations with the log switches
// off, the host's tags on such a line, and the surroundings of a driver object (module records, a
// log in a temporary directory, a clock and a line with nobody on it).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/module_info.h"
#include "common/parameter_block.h"
#include "common/records.h"
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

// The host's tags on a line of stations: codesPerStation distinct readable codes on each station
// (a different selection per station, 228 codes to choose from), each code named by tagsPerCode
// tags, so that the tags of one code lie far apart in the list. scanPeriod(copy) gives the scan
// period of the tags of each of the tagsPerCode copies.
template <typename ScanPeriod>
std::vector<TTagInfo> Workload(int stations, int codesPerStation, int tagsPerCode,
                               ScanPeriod scanPeriod) {
  struct Group {
    const char* letter;
    int first;
    int last;
  };
  constexpr Group kGroups[] = {{"F", 0, 42}, {"E", 1, 47}, {"C", 1, 33}, {"P", 1, 9},
                               {"H", 3, 39}, {"A", 1, 18}, {"O", 1, 29}, {"S", 1, 12}};
  std::vector<std::string> codes;
  for (const Group& group : kGroups) {
    for (int code = group.first; code <= group.last; ++code) {
      codes.push_back(std::string(group.letter) + "%d:" + std::to_string(code));
    }
  }
  std::vector<TTagInfo> tags;
  uint32_t id = 1;
  for (int copy = 0; copy < tagsPerCode; ++copy) {
    for (int station = 0; station < stations; ++station) {
      for (int k = 0; k < codesPerStation; ++k) {
        char address[64];
        std::snprintf(address, sizeof address, codes[(station * 37 + k) % codes.size()].c_str(),
                      station);
        TTagInfo info{};
        info.TagID = id++;
        std::snprintf(info.TagName, sizeof info.TagName, "T%u", info.TagID);
        std::memcpy(info.TagAddr, address, std::strlen(address));
        info.DataType = kAnalog;
        info.ScanPeriod = scanPeriod(copy);
        tags.push_back(info);
      }
    }
  }
  return tags;
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
