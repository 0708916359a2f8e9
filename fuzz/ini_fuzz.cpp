// Fuzzes the readers of the host's settings files: the INI document parser, the profile
// reader, the registry stand-in, the version-resource sidecar file, the host installation
// lookup and the /proc texts behind the processor key and the system status.
//
// Input: the bytes of a settings file. They are parsed from memory and written once to a file
// that is at the same time the registry stand-in, the host's settings file and the version
// file of the host executable; every reader then reads it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "common/path_text.h"
#include "host/install_paths.h"
#include "host/module_info.h"
#include "platform/posix/cpuinfo.h"
#include "platform/posix/ini_document.h"
#include "platform/posix/system_status_parse.h"
#include "platform/profile.h"
#include "platform/version_resource.h"

namespace {

namespace platform = vdinv::platform;
using platform::internal::IniDocument;
using platform::internal::NamesEqual;
using platform::internal::TrimBlanks;

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Files {
  std::filesystem::path dir;
  std::string file;

  Files() {
    dir = std::filesystem::temp_directory_path() /
          ("vdinv-ini-fuzz-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    file = (dir / "Taxil.exe.version").string();
    std::ofstream(file).flush();
    // One file under every name it is read by.
    std::filesystem::create_hard_link(file, dir / "registry.ini");
    std::filesystem::create_hard_link(file, dir / "Ovatrex.ini");
    setenv("VD_INV_REGISTRY", (dir / "registry.ini").c_str(), 1);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Instance().dir, ec);
    });
  }
  static Files& Instance() {
    static Files* files = new Files();
    return *files;
  }
  // Rewrites the file in place, so that every name keeps seeing it.
  void Write(std::string_view bytes) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
};

// What holds for every parsed document.
void CheckDocument(const IniDocument& doc) {
  for (const auto& section : doc.Sections()) {
    Check(TrimBlanks(section.name) == section.name);
    const auto* found = doc.FindSection(section.name);
    Check(found != nullptr && found <= &section && NamesEqual(found->name, section.name));
    for (const auto& [key, value] : section.entries) {
      Check(TrimBlanks(key) == key && TrimBlanks(value) == value);
      Check(key.find('=') == std::string::npos);
      Check(IniDocument::FindValue(section, key) != nullptr);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Files& files = Files::Instance();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const IniDocument doc = IniDocument::Parse(text);
  CheckDocument(doc);
  files.Write(text);

  // The file readers see what the parser sees: the first of equal sections and keys.
  for (const auto& section : doc.Sections()) {
    const auto* first = doc.FindSection(section.name);
    if (!first->entries.empty()) {
      const std::string& key = first->entries.front().first;
      const std::string expected(
          platform::internal::StripQuotes(*IniDocument::FindValue(*first, key)));
      Check(platform::ReadIniString(files.file, section.name, key, "\x01") == expected);
      platform::ReadRegistryString(section.name, key);
    }
    Check(platform::ReadIniSection(files.file, section.name).has_value());
    platform::RegistryKeyExists(section.name);
    break;  // the first section is enough: the rest repeats the parser's work
  }

  if (auto resource = platform::ReadHostExecutableVersionResource(files.dir.string())) {
    for (unsigned number : resource->fileVersion) Check(number <= 65535);
  }
  vdinv::TModuleInfo info;
  vdinv::host::ReadHostModuleInfo(info);
  vdinv::host::ComputeLogPath();
  vdinv::host::ProjectDirectoryOf(text);
  vdinv::DirectoryPart(text);

  // The /proc texts, read as the same bytes.
  const auto cpu = platform::internal::ParseCpuInfo(text);
  platform::internal::ProcessorKeyValue(cpu, "Identifier");
  const auto mem = platform::internal::ParseMemInfo(text);
  platform::internal::ComputeMemoryStatus(mem, 1ull << 47, platform::internal::ParseVmSize(text));
  platform::internal::ParseOsReleasePrettyName(text);
  unsigned major = 0, minor = 0, build = 0;
  platform::internal::ParseReleaseNumbers(text, major, minor, build);
  return 0;
}
