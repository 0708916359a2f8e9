// Version resources of other modules on Linux: the sidecar INI file "<module>.version".
#include "platform/version_resource.h"

#include "platform/posix/ini_document.h"
#include "platform/text.h"

namespace vdinv::platform {
namespace {

// The host program whose sidecar file stands in for the version resource of the main module.
constexpr std::string_view kHostExecutable = "Taxil.exe";

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// "a.b.c.d" (',' separates too, missing trailing numbers are 0), each 0..65535.
bool ParseFixedVersion(std::string_view text, unsigned (&numbers)[4]) {
  text = internal::TrimBlanks(text);
  unsigned parsed[4] = {0, 0, 0, 0};
  size_t count = 0;
  size_t pos = 0;
  while (true) {
    if (count == 4) return false;
    size_t end = text.find_first_of(".,", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view part = internal::TrimBlanks(text.substr(pos, end - pos));
    if (part.empty() || part.size() > 5) return false;
    unsigned value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 65535) return false;
    parsed[count++] = value;
    if (end == text.size()) break;
    pos = end + 1;
  }
  for (size_t i = 0; i < 4; ++i) numbers[i] = parsed[i];
  return true;
}

}  // namespace

std::string_view DriverModuleFileName() {
  return "VD_Inv.so";
}

std::optional<VersionResource> ReadVersionResource(std::string_view moduleFileName,
                                                   const std::string& searchDir) {
  try {
    std::string path = searchDir;
    if (!path.empty() && path.back() != '/') path += '/';
    path.append(moduleFileName);
    path += ".version";
    const std::optional<internal::IniDocument> doc = internal::IniDocument::Load(path);
    if (!doc) return std::nullopt;
    const internal::IniSection* strings = doc->FindSection("StringFileInfo");
    if (strings == nullptr) return std::nullopt;
    VersionResource resource;
    for (const auto& [name, value] : strings->entries) {
      if (resource.strings.count(name) != 0) continue;  // the first occurrence counts
      const bool utf8 = !IsAscii(value) && IsValidUtf8(value);
      resource.strings.emplace(name, utf8 ? Utf8ToGbk(value) : value);
    }
    if (const internal::IniSection* fixed = doc->FindSection("FixedFileInfo")) {
      if (const std::string* version = internal::IniDocument::FindValue(*fixed, "FileVersion")) {
        resource.hasFixedVersion = ParseFixedVersion(*version, resource.fileVersion);
      }
    }
    return resource;
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<VersionResource> ReadHostExecutableVersionResource(
    const std::string& hostInstallDir) {
  return ReadVersionResource(kHostExecutable, hostInstallDir);
}

}  // namespace vdinv::platform
