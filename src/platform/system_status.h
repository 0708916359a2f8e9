// Operating-system description and memory status, for the log's banner and run report.
#pragma once

#include <cstdint>
#include <string>

namespace vdinv::platform {

struct OsVersion {
  bool valid = false;
  std::string prettyName;  // PRETTY_NAME of /etc/os-release, e.g. "Debian GNU/Linux 12 (bookworm)"
  std::string kernelName;  // uname sysname, e.g. "Linux"
  std::string release;     // uname release, e.g. "6.1.0-18-amd64"
  std::string version;     // uname version
  std::string machine;     // uname machine, e.g. "x86_64"
  unsigned major = 0;      // leading numbers of the release
  unsigned minor = 0;
  unsigned build = 0;
};

OsVersion ReadOsVersion();

struct MemoryStatus {
  uint32_t memoryLoad = 0;  // percent of physical memory in use
  uint64_t totalPhysical = 0;
  uint64_t availablePhysical = 0;
  uint64_t totalPageFile = 0;  // physical memory plus swap
  uint64_t availablePageFile = 0;
  uint64_t totalVirtual = 0;  // the process's address space
  uint64_t availableVirtual = 0;
};

MemoryStatus ReadMemoryStatus();

}  // namespace vdinv::platform
