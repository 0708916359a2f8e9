// Facts about the operating system and the computer's memory, gathered when the component is
// created, for the log's banner and run report.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_status.h"

namespace vdinv::sysinfo {

class TCustomInfo {
 public:
  virtual ~TCustomInfo() = default;
};

class TOperatingSystemInfo : public TCustomInfo {
 public:
  TOperatingSystemInfo();  // reads the platform
  explicit TOperatingSystemInfo(const platform::OsVersion& os);

  // GBK texts.
  std::string Platform;
  std::string MajorVersion;
  std::string MinorVersion;
  std::string BuildNumber;
  std::string Extension;
};

class TComputerInfo : public TCustomInfo {};
class TVolumeInfo : public TCustomInfo {};

class TMemoryInfo : public TCustomInfo {
 public:
  TMemoryInfo();  // reads the platform
  explicit TMemoryInfo(const platform::MemoryStatus& status);

  uint32_t MemoryLoad = 0;
  uint64_t TotalPhysical = 0;
  uint64_t AvailablePhysical = 0;
  uint64_t TotalPageFile = 0;
  uint64_t AvailablePageFile = 0;
  uint64_t TotalVirtual = 0;
  uint64_t AvailableVirtual = 0;
};

class TXSystemInformation {
 public:
  TXSystemInformation();  // reads the platform
  TXSystemInformation(const platform::OsVersion& os, const platform::MemoryStatus& memory);

  const TOperatingSystemInfo& OperatingSystem() const { return operatingSystem_; }
  const TComputerInfo& Computer() const { return computer_; }
  const TVolumeInfo& Volume() const { return volume_; }
  const TMemoryInfo& Memory() const { return memory_; }

 private:
  TOperatingSystemInfo operatingSystem_;
  TComputerInfo computer_;
  TVolumeInfo volume_;
  TMemoryInfo memory_;
};

}  // namespace vdinv::sysinfo
