// INI files with the rules of the Windows profile API, and the registry stand-in: the INI file
// named by VD_INV_REGISTRY with a section per key path below HKEY_LOCAL_MACHINE.
#include "platform/profile.h"

#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/posix/cpuinfo.h"
#include "platform/posix/ini_document.h"

namespace vdinv::platform {

using internal::IniDocument;
using internal::IniSection;

std::string ReadIniString(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view def) {
  try {
    const std::optional<IniDocument> doc = IniDocument::Load(file);
    if (!doc) return std::string(def);
    const IniSection* found = doc->FindSection(internal::TrimBlanks(section));
    if (found == nullptr) return std::string(def);
    const std::string* value = IniDocument::FindValue(*found, internal::TrimBlanks(key));
    if (value == nullptr) return std::string(def);
    return std::string(internal::StripQuotes(*value));
  } catch (...) {
    return std::string(def);
  }
}

std::optional<std::map<std::string, std::string>> ReadIniSection(const std::string& file,
                                                                 std::string_view section) {
  try {
    const std::optional<IniDocument> doc = IniDocument::Load(file);
    if (!doc) return std::nullopt;
    const IniSection* found = doc->FindSection(internal::TrimBlanks(section));
    if (found == nullptr) return std::nullopt;
    std::map<std::string, std::string> entries;
    std::vector<std::string_view> seen;
    for (const auto& [key, value] : found->entries) {
      bool duplicate = false;
      for (std::string_view earlier : seen)
        duplicate = duplicate || internal::NamesEqual(earlier, key);
      if (duplicate) continue;  // the first occurrence of a key counts
      seen.push_back(key);
      entries.emplace(key, value);
    }
    return entries;
  } catch (...) {
    return std::nullopt;
  }
}

namespace internal {

CpuInfo ParseCpuInfo(std::string_view text) {
  CpuInfo cpu;
  bool haveModelName = false, haveVendor = false, haveFamily = false, haveModel = false,
       haveStepping = false;
  ForEachColonLine(text, [&](std::string_view name, std::string_view value) {
    auto take = [&](std::string_view wanted, bool& have, std::string& into) {
      if (!have && name == wanted) {
        into = std::string(value);
        have = true;
      }
    };
    take("model name", haveModelName, cpu.modelName);
    take("vendor_id", haveVendor, cpu.vendorId);
    take("cpu family", haveFamily, cpu.cpuFamily);
    take("model", haveModel, cpu.model);
    take("stepping", haveStepping, cpu.stepping);
  });
  return cpu;
}

std::optional<std::string> ProcessorKeyValue(const CpuInfo& cpu, std::string_view valueName) {
  valueName = TrimBlanks(valueName);
  if (NamesEqual(valueName, "ProcessorNameString")) return cpu.modelName;
  if (NamesEqual(valueName, "VendorIdentifier")) return cpu.vendorId;
  if (NamesEqual(valueName, "Identifier")) {
    return "cpu family " + cpu.cpuFamily + " model " + cpu.model + " stepping " + cpu.stepping;
  }
  return std::nullopt;
}

}  // namespace internal

namespace {

constexpr const char* kDefaultRegistryFile = "/etc/vd_inv/registry.ini";
constexpr const char* kCpuInfoFile = "/proc/cpuinfo";

// A key path in one spelling: '\' separates ('/' counts as '\'), empty components and blanks
// around components dropped, a leading "HKEY_LOCAL_MACHINE" or "HKLM" component removed.
std::string NormaliseKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find_first_of("\\/", pos);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = internal::TrimBlanks(path.substr(pos, end - pos));
    if (!part.empty()) parts.push_back(part);
    pos = end + 1;
  }
  if (!parts.empty() && (internal::NamesEqual(parts.front(), "HKEY_LOCAL_MACHINE") ||
                         internal::NamesEqual(parts.front(), "HKLM"))) {
    parts.erase(parts.begin());
  }
  std::string joined;
  for (std::string_view part : parts) {
    if (!joined.empty()) joined += '\\';
    joined += part;
  }
  return joined;
}

std::string RegistryFile() {
  const char* configured = std::getenv("VD_INV_REGISTRY");
  return (configured != nullptr && *configured != '\0') ? configured : kDefaultRegistryFile;
}

bool IsProcessorKey(const std::string& normalised) {
  return internal::NamesEqual(normalised, internal::kProcessorKeyPath);
}

std::optional<internal::CpuInfo> ReadCpuInfo() {
  std::optional<std::string> text = ReadFileHead(kCpuInfoFile, kSystemFileHeadBytes);
  if (!text) return std::nullopt;
  return internal::ParseCpuInfo(*text);
}

// The first section of the registry file whose normalised name matches.
const IniSection* FindKey(const IniDocument& doc, const std::string& normalised) {
  for (const IniSection& section : doc.Sections()) {
    if (internal::NamesEqual(NormaliseKeyPath(section.name), normalised)) return &section;
  }
  return nullptr;
}

}  // namespace

bool RegistryKeyExists(std::string_view keyPath) {
  try {
    const std::string normalised = NormaliseKeyPath(keyPath);
    if (IsProcessorKey(normalised) && ReadCpuInfo()) return true;
    const std::optional<IniDocument> doc = IniDocument::Load(RegistryFile());
    return doc && FindKey(*doc, normalised) != nullptr;
  } catch (...) {
    return false;
  }
}

std::string ReadRegistryString(std::string_view keyPath, std::string_view valueName) {
  try {
    const std::string normalised = NormaliseKeyPath(keyPath);
    if (IsProcessorKey(normalised)) {
      if (const std::optional<internal::CpuInfo> cpu = ReadCpuInfo()) {
        return internal::ProcessorKeyValue(*cpu, valueName).value_or(std::string());
      }
    }
    const std::optional<IniDocument> doc = IniDocument::Load(RegistryFile());
    if (!doc) return {};
    const IniSection* key = FindKey(*doc, normalised);
    if (key == nullptr) return {};
    // The key's default value is written "@=" as in a .reg file.
    std::string_view name = internal::TrimBlanks(valueName);
    if (name.empty()) name = "@";
    const std::string* value = IniDocument::FindValue(*key, name);
    return value != nullptr ? std::string(internal::StripQuotes(*value)) : std::string();
  } catch (...) {
    return {};
  }
}

bool ReadRegistrySwitch(std::string_view keyPath, std::string_view valueName) {
  // The stand-in keeps every value as text: a number 1 and the text "1" read alike.
  return ReadRegistryString(keyPath, valueName) == "1";
}

}  // namespace vdinv::platform
