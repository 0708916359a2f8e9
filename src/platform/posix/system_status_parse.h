// Internal: parsers of the texts behind ReadOsVersion and ReadMemoryStatus, for tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system_status.h"

namespace vdinv::platform::internal {

// The values of /proc/meminfo in bytes (the file states kB); a missing line reads as nothing.
struct MemInfo {
  std::optional<uint64_t> memTotal, memFree, memAvailable, buffers, cached, swapTotal, swapFree;
};

MemInfo ParseMemInfo(std::string_view text);

// VmSize of /proc/self/status in bytes, or nothing.
std::optional<uint64_t> ParseVmSize(std::string_view statusText);

// The memory status from the parsed texts. Without MemAvailable (kernels before 3.14) the
// available memory is MemFree + Buffers + Cached. addressSpaceLimit is the total virtual memory.
MemoryStatus ComputeMemoryStatus(const MemInfo& mem, uint64_t addressSpaceLimit,
                                 std::optional<uint64_t> vmSize);

// PRETTY_NAME of an os-release text, its shell quoting removed; empty when missing.
std::string ParseOsReleasePrettyName(std::string_view text);

// The leading numbers of a kernel release ("6.1.0-18-amd64" gives 6, 1, 0); missing ones are 0.
void ParseReleaseNumbers(std::string_view release, unsigned& major, unsigned& minor,
                         unsigned& build);

}  // namespace vdinv::platform::internal
