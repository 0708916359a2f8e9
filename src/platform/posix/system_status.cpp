// Operating-system description (uname, /etc/os-release) and memory status (/proc/meminfo,
// the address-space limit, /proc/self/status).
#include "platform/system_status.h"

#include <sys/resource.h>
#include <sys/utsname.h>

#include "platform/files.h"
#include "platform/posix/ini_document.h"
#include "platform/posix/system_status_parse.h"

namespace vdinv::platform {
namespace internal {
namespace {

// "12345 kB" in bytes (a value without unit taken as bytes); nothing when not a number.
std::optional<uint64_t> ParseKilobytes(std::string_view value) {
  uint64_t number = 0;
  size_t i = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    if (number > (UINT64_MAX - 9) / 10) return std::nullopt;
    number = number * 10 + static_cast<uint64_t>(value[i] - '0');
  }
  if (i == 0) return std::nullopt;
  const std::string_view unit = TrimBlanks(value.substr(i));
  if (unit.empty()) return number;
  if (!NamesEqual(unit, "kB")) return std::nullopt;
  if (number > UINT64_MAX / 1024) return std::nullopt;
  return number * 1024;
}

uint64_t SaturatingSub(uint64_t a, uint64_t b) {
  return a > b ? a - b : 0;
}
uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

}  // namespace

MemInfo ParseMemInfo(std::string_view text) {
  MemInfo mem;
  ForEachColonLine(text, [&mem](std::string_view name, std::string_view value) {
    auto take = [&](std::string_view wanted, std::optional<uint64_t>& into) {
      if (!into && name == wanted) into = ParseKilobytes(value);
    };
    take("MemTotal", mem.memTotal);
    take("MemFree", mem.memFree);
    take("MemAvailable", mem.memAvailable);
    take("Buffers", mem.buffers);
    take("Cached", mem.cached);
    take("SwapTotal", mem.swapTotal);
    take("SwapFree", mem.swapFree);
  });
  return mem;
}

std::optional<uint64_t> ParseVmSize(std::string_view statusText) {
  std::optional<uint64_t> vmSize;
  ForEachColonLine(statusText, [&vmSize](std::string_view name, std::string_view value) {
    if (!vmSize && name == "VmSize") vmSize = ParseKilobytes(value);
  });
  return vmSize;
}

MemoryStatus ComputeMemoryStatus(const MemInfo& mem, uint64_t addressSpaceLimit,
                                 std::optional<uint64_t> vmSize) {
  MemoryStatus status;
  status.totalPhysical = mem.memTotal.value_or(0);
  uint64_t available;
  if (mem.memAvailable) {
    available = *mem.memAvailable;
  } else {
    available = SaturatingAdd(SaturatingAdd(mem.memFree.value_or(0), mem.buffers.value_or(0)),
                              mem.cached.value_or(0));
  }
  status.availablePhysical = available < status.totalPhysical ? available : status.totalPhysical;
  if (status.totalPhysical > 0) {
    const uint64_t used = status.totalPhysical - status.availablePhysical;
    // 100 * used / total, rounded down, without overflowing.
    status.memoryLoad =
        static_cast<uint32_t>(used <= UINT64_MAX / 100 ? used * 100 / status.totalPhysical
                                                       : used / (status.totalPhysical / 100));
  }
  status.totalPageFile = SaturatingAdd(status.totalPhysical, mem.swapTotal.value_or(0));
  status.availablePageFile = SaturatingAdd(status.availablePhysical, mem.swapFree.value_or(0));
  status.totalVirtual = addressSpaceLimit;
  status.availableVirtual = SaturatingSub(addressSpaceLimit, vmSize.value_or(0));
  return status;
}

std::string ParseOsReleasePrettyName(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimBlanks(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.substr(0, 12) != "PRETTY_NAME=") continue;
    const std::string_view raw = line.substr(12);
    // Shell quoting as os-release(5) allows: "..." with \-escapes, '...', or a bare word.
    std::string value;
    char quote = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
      const char c = raw[i];
      if (quote == 0 && (c == '"' || c == '\'')) {
        quote = c;
      } else if (quote != 0 && c == quote) {
        quote = 0;
      } else if (c == '\\' && quote != '\'' && i + 1 < raw.size()) {
        value += raw[++i];
      } else {
        value += c;
      }
    }
    return value;
  }
  return {};
}

void ParseReleaseNumbers(std::string_view release, unsigned& major, unsigned& minor,
                         unsigned& build) {
  unsigned* targets[3] = {&major, &minor, &build};
  for (unsigned* target : targets) *target = 0;
  size_t pos = 0;
  for (unsigned* target : targets) {
    size_t digits = 0;
    unsigned value = 0;
    while (pos < release.size() && release[pos] >= '0' && release[pos] <= '9') {
      if (value < 100000000U) value = value * 10 + static_cast<unsigned>(release[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0) return;
    *target = value;
    if (pos >= release.size() || release[pos] != '.') return;
    ++pos;
  }
}

}  // namespace internal

OsVersion ReadOsVersion() {
  OsVersion os;
  try {
    utsname names{};
    if (uname(&names) != 0) return os;
    os.valid = true;
    os.kernelName = names.sysname;
    os.release = names.release;
    os.version = names.version;
    os.machine = names.machine;
    internal::ParseReleaseNumbers(os.release, os.major, os.minor, os.build);
    std::optional<std::string> text = ReadWholeFile("/etc/os-release");
    if (!text) text = ReadWholeFile("/usr/lib/os-release");
    if (text) os.prettyName = internal::ParseOsReleasePrettyName(*text);
  } catch (...) {
  }
  return os;
}

MemoryStatus ReadMemoryStatus() {
  try {
    constexpr uint64_t kUnlimitedAddressSpace = uint64_t{1} << 47;
    uint64_t limit = kUnlimitedAddressSpace;
    rlimit rl{};
    if (getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY) {
      limit = static_cast<uint64_t>(rl.rlim_cur);
    }
    internal::MemInfo mem;
    if (std::optional<std::string> text = ReadFileHead("/proc/meminfo", kSystemFileHeadBytes)) {
      mem = internal::ParseMemInfo(*text);
    }
    std::optional<uint64_t> vmSize;
    if (std::optional<std::string> text = ReadFileHead("/proc/self/status", kSystemFileHeadBytes)) {
      vmSize = internal::ParseVmSize(*text);
    }
    return internal::ComputeMemoryStatus(mem, limit, vmSize);
  } catch (...) {
    return {};
  }
}

}  // namespace vdinv::platform
