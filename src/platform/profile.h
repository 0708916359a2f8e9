// Settings stores of the host's installation: INI files read with the rules of the Windows
// profile API, and the registry stand-in (an INI file with a section per key path).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vdinv::platform {

// Reads key of section from an INI file: sections and keys match without regard to letter
// case, blanks around names and values are trimmed, and def is returned when the file, the
// section or the key is missing. The first occurrence of a section and of a key counts.
std::string ReadIniString(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view def);

// Every key of a section in file order, keys as written; nothing when file or section is missing.
std::optional<std::map<std::string, std::string>> ReadIniSection(const std::string& file,
                                                                 std::string_view section);

// HKEY_LOCAL_MACHINE. The key path is written as on Windows ("Software\KORVI"); key and value
// names match without regard to letter case. The stand-in is the INI file named by the
// environment variable VD_INV_REGISTRY (default /etc/vd_inv/registry.ini); the processor key
// "hardware\description\system\centralprocessor\0" is answered from /proc/cpuinfo.
bool RegistryKeyExists(std::string_view keyPath);
// The string value, or empty when the key or the value is missing.
std::string ReadRegistryString(std::string_view keyPath, std::string_view valueName);

}  // namespace vdinv::platform
