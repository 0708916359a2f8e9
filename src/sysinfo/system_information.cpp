#include "sysinfo/system_information.h"

#include "common/messages.h"
#include "platform/text.h"

namespace vdinv::sysinfo {
namespace {

// The system's own texts are UTF-8; the log wants GBK. Bytes that are not UTF-8 pass as they are.
std::string ToGbk(const std::string& text) {
  return platform::IsValidUtf8(text) ? platform::Utf8ToGbk(text) : text;
}

// "<distribution> <kernel> <release>(Build N)": the readable name of the running system in the
// form of the Windows build's names, which end in the build number.
std::string PlatformText(const platform::OsVersion& os) {
  std::string name;
  for (const std::string* part : {&os.prettyName, &os.kernelName, &os.release}) {
    if (part->empty()) continue;
    if (!name.empty()) name += ' ';
    name += ToGbk(*part);
  }
  return name + Text(Msg::OsBuildOpen) + std::to_string(os.build) + Text(Msg::OsBuildClose);
}

}  // namespace

TOperatingSystemInfo::TOperatingSystemInfo() : TOperatingSystemInfo(platform::ReadOsVersion()) {}

TOperatingSystemInfo::TOperatingSystemInfo(const platform::OsVersion& os) {
  if (!os.valid) return;  // nothing known: every text stays empty
  Platform = PlatformText(os);
  MajorVersion = std::to_string(os.major);
  MinorVersion = std::to_string(os.minor);
  BuildNumber = std::to_string(os.build);
  Extension = ToGbk(os.version);
}

TMemoryInfo::TMemoryInfo() : TMemoryInfo(platform::ReadMemoryStatus()) {}

TMemoryInfo::TMemoryInfo(const platform::MemoryStatus& status)
    : MemoryLoad(status.memoryLoad),
      TotalPhysical(status.totalPhysical),
      AvailablePhysical(status.availablePhysical),
      TotalPageFile(status.totalPageFile),
      AvailablePageFile(status.availablePageFile),
      TotalVirtual(status.totalVirtual),
      AvailableVirtual(status.availableVirtual) {}

TXSystemInformation::TXSystemInformation() = default;

TXSystemInformation::TXSystemInformation(const platform::OsVersion& os,
                                         const platform::MemoryStatus& memory)
    : operatingSystem_(os), memory_(memory) {}

}  // namespace vdinv::sysinfo
