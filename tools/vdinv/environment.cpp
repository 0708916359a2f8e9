#include "vdinv/environment.h"

#include <cctype>
#include <filesystem>
#include <random>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace vdinv::tool {

bool SetProcessEnvironment(const std::string& name, const std::string& value) {
  return platform::SetEnvironment(name, value);
}

bool DisplayNamed() {
#ifdef _WIN32
  return true;
#else
  return !platform::GetEnvironment("DISPLAY").empty() ||
         !platform::GetEnvironment("WAYLAND_DISPLAY").empty();
#endif
}

LineThreadSwitch::~LineThreadSwitch() {
  if (!copy_.empty()) platform::DeleteFile(copy_);
}

bool LineThreadSwitch::On(std::string& error) {
#ifdef _WIN32
  error = "--line-thread: on Windows set the registry value LineThread of the driver's key";
  return false;
#else
  constexpr const char* kKey = "Software\\KORVI\\VD_Inv";
  std::string current = platform::GetEnvironment("VD_INV_REGISTRY");
  if (current.empty()) current = "/etc/vd_inv/registry.ini";  // the stand-in's default
  // The first section of a name counts: the driver's key goes first, with the values it had.
  std::string text = std::string("[") + kKey + "]\nLineThread=1\n";
  if (const auto values = platform::ReadIniSection(current, kKey)) {
    for (const auto& [name, value] : *values) {
      std::string lower = name;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower == "linethread") continue;
      text += name + "=" + value + "\n";
    }
  }
  text += "\n" + platform::ReadWholeFile(current).value_or(std::string());
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  const std::string name = "vdinv-registry-" + std::to_string(std::random_device{}()) + ".ini";
  const std::string copy = (dir / name).string();
  if (ec || !platform::WriteWholeFile(copy, text)) {
    error = "--line-thread: cannot write a copy of the registry stand-in in " + dir.string();
    return false;
  }
  copy_ = copy;
  if (!SetProcessEnvironment("VD_INV_REGISTRY", copy_)) {
    error = "--line-thread: cannot set VD_INV_REGISTRY";
    return false;
  }
  return true;
#endif
}

}  // namespace vdinv::tool
