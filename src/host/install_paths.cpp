#include "host/install_paths.h"

#include "common/path_text.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/version_resource.h"

namespace vdinv::host {
namespace {

constexpr std::string_view kInstallKey = "Software\\KORVI";
constexpr std::string_view kInstallValue = "PATH";
constexpr std::string_view kFallbackDir = "../";
constexpr std::string_view kWorkingSection = "WORKING";
constexpr std::string_view kProjectKey = "DefaultPROJECT";
constexpr std::string_view kProjectDefault = ".\\";
constexpr std::string_view kFallbackLogDir = "./Debug/";
constexpr std::string_view kLogSubDir = "Debug/";
constexpr std::string_view kLogExtension = ".Log";

std::string_view TrimBlanks(std::string_view s) {
  // Blanks are spaces and control characters.
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// The log's base name: the driver's module file name up to its first ".".
std::string LogBaseName() {
  std::string_view module = platform::DriverModuleFileName();
  return std::string(module.substr(0, module.find('.')));
}

}  // namespace

std::string HostInstallDir() {
  const std::string path = platform::ReadRegistryString(kInstallKey, kInstallValue);
  std::string dir(TrimBlanks(DirectoryPart(path)));
  if (!platform::FileExists(dir + std::string(kHostSettingsFile))) dir = kFallbackDir;
  return dir;
}

std::string ProjectDirectoryOf(std::string_view defaultProject) {
  std::string dir = DirectoryPart(defaultProject);
  // Walk the GBK text so that a trail byte 0x5C of a double-byte character stays as it is.
  for (size_t i = 0; i < dir.size(); ++i) {
    const auto c = static_cast<unsigned char>(dir[i]);
    if (platform::IsGbkLeadByte(c) && i + 1 < dir.size()) {
      ++i;
    } else if (c == '\\') {
      dir[i] = '/';
    }
  }
  return dir;
}

std::string ComputeLogPath() {
  const std::string logName = LogBaseName() + std::string(kLogExtension);
  const std::string settings = HostInstallDir() + std::string(kHostSettingsFile);
  if (!platform::FileExists(settings)) return std::string(kFallbackLogDir) + logName;

  const std::string project =
      platform::ReadIniString(settings, kWorkingSection, kProjectKey, kProjectDefault);
  return ProjectDirectoryOf(project) + std::string(kLogSubDir) + logName;
}

}  // namespace vdinv::host
