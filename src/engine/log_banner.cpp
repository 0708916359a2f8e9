#include "engine/log_banner.h"

#include "common/messages.h"
#include "platform/profile.h"

namespace vdinv::engine {
namespace {

constexpr std::string_view kProcessorKey = "hardware\\description\\system\\centralprocessor\\0";

constexpr uint64_t kBytesPerMegabyte = 1048576;

std::string MegabyteLine(Msg label, uint64_t bytes) {
  return Text(label) + std::to_string(bytes / kBytesPerMegabyte) + Text(Msg::MegabyteSuffix);
}

}  // namespace

std::optional<ProcessorDescription> ReadProcessorDescription() {
  if (!platform::RegistryKeyExists(kProcessorKey)) return std::nullopt;
  ProcessorDescription d;
  d.nameString = platform::ReadRegistryString(kProcessorKey, "ProcessorNameString");
  d.vendorIdentifier = platform::ReadRegistryString(kProcessorKey, "VendorIdentifier");
  d.identifier = platform::ReadRegistryString(kProcessorKey, "Identifier");
  return d;
}

std::vector<std::string> MemoryTexts(const sysinfo::TMemoryInfo& memory) {
  return {
      Text(Msg::MemoryLoad) + std::to_string(memory.MemoryLoad) + Text(Msg::PercentSuffix),
      MegabyteLine(Msg::TotalPhysical, memory.TotalPhysical),
      MegabyteLine(Msg::AvailablePhysical, memory.AvailablePhysical),
      MegabyteLine(Msg::TotalVirtual, memory.TotalVirtual),
      MegabyteLine(Msg::AvailableVirtual, memory.AvailableVirtual),
  };
}

std::vector<std::string> StartBannerTexts(const TModuleInfo& hostInfo,
                                          const TModuleInfo& driverInfo,
                                          const sysinfo::TXSystemInformation& system,
                                          bool lineThread) {
  return StartBannerTexts(ReadProcessorDescription(), hostInfo, driverInfo, system, lineThread);
}

std::vector<std::string> StartBannerTexts(const std::optional<ProcessorDescription>& processor,
                                          const TModuleInfo& hostInfo,
                                          const TModuleInfo& driverInfo,
                                          const sysinfo::TXSystemInformation& system,
                                          bool lineThread) {
  std::vector<std::string> lines;
  if (processor) {
    const std::string name = processor->nameString.empty()
                                 ? processor->vendorIdentifier + processor->identifier
                                 : processor->nameString;
    lines.push_back(Text(Msg::BannerOpen) + name + Text(Msg::BannerClose));
  }
  lines.push_back(Text(Msg::BannerOpen) + system.OperatingSystem().Platform +
                  Text(Msg::BannerOsClose));
  for (std::string& line : MemoryTexts(system.Memory())) lines.push_back(std::move(line));
  lines.push_back(Text(Msg::Starting) + hostInfo[kFileDescription] + Text(Msg::FileVersionOpen) +
                  hostInfo[kFileVersion] + Text(Msg::BannerEllipsis));
  lines.push_back(Text(Msg::StartingDriver) + driverInfo[kDeviceName] + Text(Msg::StartEllipsis));
  lines.push_back(Text(Msg::DriverVersion) + driverInfo[kFileVersion] + Text(Msg::StartEllipsis));
  if (lineThread) lines.push_back(Text(Msg::LineThreadMode) + Text(Msg::StartEllipsis));
  return lines;
}

}  // namespace vdinv::engine
