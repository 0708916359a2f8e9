// INI files through the Windows profile API, and the real registry under HKEY_LOCAL_MACHINE.
// Names and values are GBK; the W functions are called, so the system's ANSI code page plays no
// part.
#include "platform/profile.h"

#include <windows.h>

#include <vector>

#include "platform/files.h"
#include "platform/win32/code_page.h"

namespace vdinv::platform {
namespace {

using internal::GbkToWide;
using internal::WideToGbk;

// The profile API reads devices and huge files as readily as INI files; as on Linux, only a
// regular file of at most kMaxHostFileBytes counts.
bool UsableIniFile(const std::string& file) {
  const int64_t size = FileSize(file);
  return size >= 0 && static_cast<uint64_t>(size) <= kMaxHostFileBytes;
}

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

std::wstring Trimmed(std::string_view gbk) {
  std::wstring wide = GbkToWide(gbk);
  size_t begin = 0, end = wide.size();
  while (begin < end && IsBlank(wide[begin])) ++begin;
  while (end > begin && IsBlank(wide[end - 1])) --end;
  return wide.substr(begin, end - begin);
}

// The key path as RegOpenKeyEx takes it: '/' as '\', empty parts and a leading
// "HKEY_LOCAL_MACHINE" or "HKLM" left out.
std::wstring NormaliseKeyPath(std::string_view path) {
  std::vector<std::wstring> parts;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find_first_of("\\/", pos);
    if (end == std::string_view::npos) end = path.size();
    std::wstring part = Trimmed(path.substr(pos, end - pos));
    if (!part.empty()) parts.push_back(std::move(part));
    pos = end + 1;
  }
  if (!parts.empty() &&
      (CompareStringOrdinal(parts.front().c_str(), -1, L"HKEY_LOCAL_MACHINE", -1, TRUE) ==
           CSTR_EQUAL ||
       CompareStringOrdinal(parts.front().c_str(), -1, L"HKLM", -1, TRUE) == CSTR_EQUAL)) {
    parts.erase(parts.begin());
  }
  std::wstring joined;
  for (const std::wstring& part : parts) {
    if (!joined.empty()) joined += L'\\';
    joined += part;
  }
  return joined;
}

class RegistryKey {
 public:
  explicit RegistryKey(std::string_view path) {
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, NormaliseKeyPath(path).c_str(), 0, KEY_READ, &key_) !=
        ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The profile API looks for a file given without a directory in the Windows directory and
// resolves other relative paths itself; the full path leaves no room for either.
std::wstring FullPath(const std::string& file) {
  const std::wstring wide = GbkToWide(file);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (got == 0 || got >= needed) return wide;
  full.resize(got);
  return full;
}

}  // namespace

std::string ReadIniString(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view def) {
  try {
    if (!UsableIniFile(file)) return std::string(def);
    // The API strips one pair of quotes and the blanks; a value longer than the buffer is cut,
    // so the buffer grows until the value fits.
    const std::wstring path = FullPath(file);
    const std::wstring wideSection = Trimmed(section);
    const std::wstring wideKey = Trimmed(key);
    // A value equal to this marker cannot come from the file: it holds a line end.
    const std::wstring absent = L"\n";
    for (DWORD size = 256; size <= kMaxHostFileBytes + 2; size *= 4) {
      std::wstring buffer(size, L'\0');
      const DWORD got = GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(),
                                                 absent.c_str(), buffer.data(), size, path.c_str());
      if (got + 1 >= size) continue;
      buffer.resize(got);
      if (buffer == absent) return std::string(def);
      return WideToGbk(buffer);
    }
    return std::string(def);
  } catch (...) {
    return std::string(def);
  }
}

std::optional<std::map<std::string, std::string>> ReadIniSection(const std::string& file,
                                                                 std::string_view section) {
  try {
    if (!UsableIniFile(file)) return std::nullopt;
    const std::wstring path = FullPath(file);
    const std::wstring wideSection = Trimmed(section);
    for (DWORD size = 4096; size <= 2 * kMaxHostFileBytes + 4; size *= 4) {
      std::wstring buffer(size, L'\0');
      const DWORD got =
          GetPrivateProfileSectionW(wideSection.c_str(), buffer.data(), size, path.c_str());
      if (got + 2 >= size) continue;
      if (got == 0) {
        // An empty section and a missing one look alike here; the section names tell them apart.
        std::wstring names(size, L'\0');
        const DWORD n = GetPrivateProfileSectionNamesW(names.data(), size, path.c_str());
        for (size_t pos = 0; pos < n && names[pos] != L'\0';) {
          const std::wstring name(names.c_str() + pos);
          if (CompareStringOrdinal(name.c_str(), -1, wideSection.c_str(), -1, TRUE) == CSTR_EQUAL)
            return std::map<std::string, std::string>{};
          pos += name.size() + 1;
        }
        return std::nullopt;
      }
      std::map<std::string, std::string> entries;
      std::vector<std::wstring> seen;
      for (size_t pos = 0; pos < got && buffer[pos] != L'\0';) {
        const std::wstring line(buffer.c_str() + pos);
        pos += line.size() + 1;
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) continue;
        std::wstring name = line.substr(0, equals);
        std::wstring value = line.substr(equals + 1);
        while (!name.empty() && IsBlank(name.back())) name.pop_back();
        size_t start = 0;
        while (start < value.size() && IsBlank(value[start])) ++start;
        value.erase(0, start);
        while (!value.empty() && IsBlank(value.back())) value.pop_back();
        bool duplicate = false;
        for (const std::wstring& earlier : seen) {
          duplicate = duplicate || CompareStringOrdinal(earlier.c_str(), -1, name.c_str(), -1,
                                                        TRUE) == CSTR_EQUAL;
        }
        if (duplicate) continue;  // the first occurrence of a key counts
        seen.push_back(name);
        entries.emplace(WideToGbk(name), WideToGbk(value));
      }
      return entries;
    }
    return std::nullopt;
  } catch (...) {
    return std::nullopt;
  }
}

bool RegistryKeyExists(std::string_view keyPath) {
  try {
    return RegistryKey(keyPath).get() != nullptr;
  } catch (...) {
    return false;
  }
}

std::string ReadRegistryString(std::string_view keyPath, std::string_view valueName) {
  try {
    const RegistryKey key(keyPath);
    if (key.get() == nullptr) return {};
    const std::wstring name = Trimmed(valueName);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kMaxHostFileBytes) {
      return {};
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
      return {};
    }
    // The stored text need not end with a zero; it ends at the first one.
    value.resize(size / sizeof(wchar_t));
    const size_t zero = value.find(L'\0');
    if (zero != std::wstring::npos) value.resize(zero);
    return WideToGbk(value);
  } catch (...) {
    return {};
  }
}

bool ReadRegistrySwitch(std::string_view keyPath, std::string_view valueName) {
  try {
    const RegistryKey key(keyPath);
    if (key.get() == nullptr) return false;
    const std::wstring name = Trimmed(valueName);
    DWORD type = 0;
    DWORD number = 0;
    DWORD bytes = sizeof number;
    const LSTATUS rc = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(&number), &bytes);
    if (rc == ERROR_SUCCESS && type == REG_DWORD && bytes == sizeof number) return number == 1;
  } catch (...) {
    return false;
  }
  return ReadRegistryString(keyPath, valueName) == "1";
}

}  // namespace vdinv::platform
