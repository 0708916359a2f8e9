// Version resources of modules through GetFileVersionInfoW and VerQueryValueW. The strings are
// read as UTF-16 and converted with code page 936: the A functions would convert through the
// system's ANSI code page and hand back "?" for every Chinese character on other systems.
#include "platform/version_resource.h"

#include <windows.h>

#include <vector>

#include "platform/win32/code_page.h"

namespace vdinv::platform {
namespace {

// The standard entries and the device words a driver module names.
constexpr const wchar_t* kEntryNames[] = {
    L"CompanyName",    L"FileDescription", L"FileVersion",      L"InternalName",
    L"LegalCopyright", L"LegalTrademarks", L"OriginalFileName", L"OriginalFilename",
    L"ProductName",    L"ProductVersion",  L"SpecialBuild",     L"PrivateBuild",
    L"Comments",       L"DeviceName",      L"DevTypeName",      L"DevIDName",
    L"ChName",         L"ChIDName",        L"SlotName",         L"slotIDName",
    L"BitName",        L"BitIDName",       L"ThirdSegName",     L"ThirdSegIDName",
    L"FourSegName",    L"FourSegIDName",   L"FiveSegName",      L"FiveSegIDName",
};

struct Translation {
  WORD language;
  WORD codePage;
};

std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) {
      path.resize(got);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

// A module of that name loaded in this process is read from where it was loaded; any other from
// the search directory.
std::wstring ResolveModule(std::string_view moduleFileName, const std::string& searchDir) {
  const std::wstring name = internal::GbkToWide(moduleFileName);
  if (HMODULE loaded = GetModuleHandleW(name.c_str())) return ModulePath(loaded);
  std::wstring path = internal::GbkToWide(searchDir);
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path + name;
}

// Four lower-case hex digits, as the string table's name writes language and code page.
std::wstring Hex4(WORD value) {
  constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text(4, L'0');
  for (int i = 3; i >= 0; --i, value = static_cast<WORD>(value >> 4))
    text[i] = kDigits[value & 0xF];
  return text;
}

// The version resource of the module file at path.
std::optional<VersionResource> ReadVersionResourceOf(const std::wstring& path) {
  try {
    if (path.empty()) return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;

    VersionResource resource;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength) &&
        fixed != nullptr && fixedLength >= sizeof(VS_FIXEDFILEINFO)) {
      resource.fileVersion[0] = HIWORD(fixed->dwFileVersionMS);
      resource.fileVersion[1] = LOWORD(fixed->dwFileVersionMS);
      resource.fileVersion[2] = HIWORD(fixed->dwFileVersionLS);
      resource.fileVersion[3] = LOWORD(fixed->dwFileVersionLS);
      resource.hasFixedVersion = true;
    }

    // The first translation names the string table; without one, Chinese (PRC) in GBK.
    Translation* translations = nullptr;
    UINT translationBytes = 0;
    Translation first{0x0804, 936};
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&translations), &translationBytes) &&
        translations != nullptr && translationBytes >= sizeof(Translation)) {
      first = translations[0];
    }
    std::wstring prefix =
        L"\\StringFileInfo\\" + Hex4(first.language) + Hex4(first.codePage) + L"\\";
    for (const wchar_t* name : kEntryNames) {
      wchar_t* value = nullptr;
      UINT length = 0;
      const std::wstring query = prefix + name;
      if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) ||
          value == nullptr) {
        continue;
      }
      std::wstring_view text(value, length);
      text = text.substr(0, text.find(L'\0'));
      resource.strings.emplace(internal::WideToGbk(name), internal::WideToGbk(text));
    }
    return resource;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace

std::string_view DriverModuleFileName() {
  return "VD_Inv.dll";
}

std::optional<VersionResource> ReadVersionResource(std::string_view moduleFileName,
                                                   const std::string& searchDir) {
  try {
    return ReadVersionResourceOf(ResolveModule(moduleFileName, searchDir));
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<VersionResource> ReadHostExecutableVersionResource(const std::string&) {
  // The host is the process's main module, whatever it is called and wherever it lies.
  try {
    return ReadVersionResourceOf(ModulePath(nullptr));
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace vdinv::platform
