#include "host/module_info.h"

#include <optional>
#include <utility>

#include "common/messages.h"
#include "host/install_paths.h"
#include "host/own_version_resource.h"
#include "platform/version_resource.h"

namespace vdinv::host {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Module file names compare as the Windows file system compares them: without regard to case.
bool IsDriverModule(std::string_view moduleFileName) {
  return EqualsIgnoringCase(moduleFileName, kDriverModule) ||
         EqualsIgnoringCase(moduleFileName, platform::DriverModuleFileName());
}

// Version entries of indices 0 to 11, which stay empty when absent.
constexpr std::pair<ModuleField, std::string_view> kPlainEntries[] = {
    {kCompanyName, "CompanyName"},           {kFileDescription, "FileDescription"},
    {kFileVersion, "FileVersion"},           {kInternalName, "InternalName"},
    {kLegalCopyright, "LegalCopyright"},     {kLegalTrademarks, "LegalTrademarks"},
    {kOriginalFileName, "OriginalFileName"}, {kProductName, "ProductName"},
    {kProductVersion, "ProductVersion"},     {kSpecialBuild, "SpecialBuild"},
    {kPrivateBuild, "PrivateBuild"},         {kComments, "Comments"},
};

struct DeviceWordEntry {
  ModuleField field;
  std::string_view name;
  Msg fallback;
};

// The device words of indices 15 to 30, with the words used when a module does not name them.
// The entry names are matched exactly as written, including "slotIDName".
constexpr DeviceWordEntry kDeviceWordEntries[] = {
    {kDeviceName, "DeviceName", Msg::DefaultDeviceName},
    {kDevTypeName, "DevTypeName", Msg::DefaultDevTypeName},
    {kDevIDName, "DevIDName", Msg::DefaultDevIDName},
    {kChName, "ChName", Msg::DefaultChName},
    {kChIDName, "ChIDName", Msg::DefaultChIDName},
    {kSlotName, "SlotName", Msg::DefaultSlotName},
    {kSlotIDName, "slotIDName", Msg::DefaultSlotIDName},
    {kBitName, "BitName", Msg::DefaultBitName},
    {kBitIDName, "BitIDName", Msg::DefaultBitIDName},
    {kThirdSegName, "ThirdSegName", Msg::DefaultThirdSegName},
    {kThirdSegIDName, "ThirdSegIDName", Msg::DefaultThirdSegIDName},
    {kFourSegName, "FourSegName", Msg::DefaultFourSegName},
    {kFourSegIDName, "FourSegIDName", Msg::DefaultFourSegIDName},
    {kFiveSegName, "FiveSegName", Msg::DefaultFiveSegName},
    {kFiveSegIDName, "FiveSegIDName", Msg::DefaultFiveSegIDName},
};

// The text of a version entry up to its terminating zero, or nothing when the entry is absent.
std::optional<std::string> FindEntry(const platform::VersionResource& resource,
                                     std::string_view name) {
  auto it = resource.strings.find(std::string(name));
  if (it == resource.strings.end()) return std::nullopt;
  return it->second.substr(0, it->second.find('\0'));
}

// Fills the record from a module's resource; the directory field is the host's installation
// directory. Re-reading a record never keeps texts of an earlier read.
bool FillModuleInfo(const std::optional<platform::VersionResource>& resource,
                    const std::string& installDir, TModuleInfo& info) {
  info = TModuleInfo{};
  info[kInstallDir] = installDir;
  if (!resource) return false;

  if (resource->hasFixedVersion) {
    const unsigned* v = resource->fileVersion;
    info[kNumericFileVersion] = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                                std::to_string(v[2]) + "." + std::to_string(v[3]);
  }
  for (const auto& [field, name] : kPlainEntries) {
    if (auto text = FindEntry(*resource, name)) info[field] = std::move(*text);
  }
  for (const auto& entry : kDeviceWordEntries) {
    auto text = FindEntry(*resource, entry.name);
    info[entry.field] = text ? std::move(*text) : Text(entry.fallback);
  }
  return true;
}

}  // namespace

bool ReadModuleInfo(std::string_view moduleFileName, TModuleInfo& info) {
  const std::string installDir = HostInstallDir();
  if (IsDriverModule(moduleFileName)) return FillModuleInfo(OwnVersionResource(), installDir, info);
  return FillModuleInfo(platform::ReadVersionResource(moduleFileName, installDir), installDir,
                        info);
}

bool ReadHostModuleInfo(TModuleInfo& info) {
  const std::string installDir = HostInstallDir();
  return FillModuleInfo(platform::ReadHostExecutableVersionResource(installDir), installDir, info);
}

bool ReadProductInfo(std::string_view /*moduleFileName*/, TProductInfo& info) {
  info = TProductInfo{};
  return false;
}

}  // namespace vdinv::host
