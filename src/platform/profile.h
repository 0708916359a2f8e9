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
// section or the key is missing. The first occurrence of a section and of a key counts. A file
// that is not a regular file or holds more than kMaxHostFileBytes (1 MiB) counts as missing.
// As GetPrivateProfileString: lines starting with ';' are comments (a ';' later in a value is
// part of it), one pair of quotes around a value ("..." or '...') is removed, a line without
// '=' is no key, LF and CRLF line ends and a leading UTF-8 byte-order mark are accepted.
std::string ReadIniString(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view def);

// Every key of a section, keys as written (the first of keys equal without regard to case
// counts), values trimmed but not unquoted; nothing when file or section is missing.
std::optional<std::map<std::string, std::string>> ReadIniSection(const std::string& file,
                                                                 std::string_view section);

// HKEY_LOCAL_MACHINE. The key path is written as on Windows ("Software\KORVI"); key and value
// names match without regard to letter case. The stand-in is the INI file named by the
// environment variable VD_INV_REGISTRY (unset or empty: /etc/vd_inv/registry.ini; missing, as an
// INI file above, when not a regular file or larger than 1 MiB), a section per key path, e.g.
// "[Software\KORVI]" with "PATH=/opt/ovatrex/". In key paths (queried and written) '/' counts
// as '\', leading, trailing and doubled separators and a leading "HKEY_LOCAL_MACHINE\" or
// "HKLM\" are ignored; a parent key exists only when it has a section of its own. The value
// name "" (the key's default value) is written "@".
// The processor key "hardware\description\system\centralprocessor\0" exists when
// /proc/cpuinfo is readable and then has the values ProcessorNameString (the first "model
// name"), VendorIdentifier ("vendor_id") and Identifier ("cpu family X model Y stepping Z"),
// taken from the file's first kSystemFileHeadBytes; without a readable /proc/cpuinfo the file
// is asked as for any key.
bool RegistryKeyExists(std::string_view keyPath);
// The string value, or empty when the key or the value is missing.
std::string ReadRegistryString(std::string_view keyPath, std::string_view valueName);
// A switch: true when the value is the number 1 (Windows: REG_DWORD 1) or the text "1"; false
// when it is missing or anything else.
bool ReadRegistrySwitch(std::string_view keyPath, std::string_view valueName);

}  // namespace vdinv::platform
