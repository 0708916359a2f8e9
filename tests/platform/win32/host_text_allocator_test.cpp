// The host-text allocator named by the registry: this test program plays the host and exports
// an allocator of its own.
#include "platform/win32/host_text_allocator.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<void*> allocated;
std::vector<void*> freed;

}  // namespace

extern "C" __declspec(dllexport) void* __stdcall VdinvTestTextAlloc(uint32_t size) {
  allocated.push_back(std::malloc(size));
  return allocated.back();
}

extern "C" __declspec(dllexport) void __stdcall VdinvTestTextFree(void* text) {
  freed.push_back(text);
  std::free(text);
}

namespace vdinv::platform::internal {
namespace {

// The file name of this program, as a host would name itself in the setting.
std::string ProgramName() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path, length);
  name = name.substr(name.find_last_of(L"\\/") + 1);
  return std::string(name.begin(), name.end());  // ASCII
}

// Sets HKEY_LOCAL_MACHINE\Software\KORVI\VD_Inv TextAllocator for the test's duration; the key is
// removed afterwards when the test made it.
class ScopedTextAllocatorSetting {
 public:
  explicit ScopedTextAllocatorSetting(const std::string& value) {
    HKEY existing = nullptr;
    madeKey_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\KORVI", 0, KEY_READ, &existing) !=
               ERROR_SUCCESS;
    if (existing != nullptr) RegCloseKey(existing);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\KORVI\\VD_Inv", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring wide(value.begin(), value.end());
    EXPECT_EQ(RegSetValueExW(key, L"TextAllocator", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(wide.c_str()),
                             static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  ~ScopedTextAllocatorSetting() {
    if (madeKey_) {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\KORVI");
    } else {
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\KORVI\\VD_Inv", L"TextAllocator");
    }
  }
  ScopedTextAllocatorSetting(const ScopedTextAllocatorSetting&) = delete;
  ScopedTextAllocatorSetting& operator=(const ScopedTextAllocatorSetting&) = delete;

 private:
  bool madeKey_ = false;
};

TEST(Win32HostTextAllocator, TheNamedAllocatorOfTheHostGivesAndTakesBackEveryText) {
  const ScopedTextAllocatorSetting setting(ProgramName() +
                                           " , VdinvTestTextAlloc , VdinvTestTextFree");
  const HostTextAllocator allocator = HostTextAllocatorFromRegistry();
  ASSERT_EQ(allocator.fallback, TextAllocatorFallback::kNone);
  allocated.clear();
  freed.clear();
  char* text = AllocTextWith(allocator, "\xCD\xA8\xD1\xB6");
  ASSERT_EQ(allocated.size(), 1u);
  EXPECT_EQ(text, allocated[0]);
  EXPECT_STREQ(text, "\xCD\xA8\xD1\xB6");
  FreeTextWith(allocator, text);
  EXPECT_EQ(freed, allocated);
  EXPECT_EQ(AllocTextWith(allocator, ""), nullptr);
  EXPECT_EQ(allocated.size(), 1u);
}

TEST(Win32HostTextAllocator, AnythingButTwoExportsOfALoadedModuleLeavesCoTaskMemAlloc) {
  const std::string self = ProgramName();
  const struct {
    std::string setting;
    TextAllocatorFallback fallback;
  } cases[] = {
      {"", TextAllocatorFallback::kNone},
      {"   ", TextAllocatorFallback::kNone},
      {self + ",VdinvTestTextAlloc", TextAllocatorFallback::kMalformed},
      {self + ",VdinvTestTextAlloc,VdinvTestTextFree,x", TextAllocatorFallback::kMalformed},
      {self + ",,VdinvTestTextFree", TextAllocatorFallback::kMalformed},
      {" , , ", TextAllocatorFallback::kMalformed},
      {"no_such_module.dll,VdinvTestTextAlloc,VdinvTestTextFree",
       TextAllocatorFallback::kModuleNotLoaded},
      // A module on disk that the process has not loaded is not loaded for the purpose.
      {"wininet.dll,InternetOpenW,InternetCloseHandle", TextAllocatorFallback::kModuleNotLoaded},
      {self + ",VdinvTestTextAlloc,NoSuchFree", TextAllocatorFallback::kExportMissing},
      {self + ",NoSuchAlloc,VdinvTestTextFree", TextAllocatorFallback::kExportMissing},
  };
  for (const auto& c : cases) {
    const HostTextAllocator allocator = ResolveHostTextAllocator(c.setting);
    EXPECT_EQ(allocator.fallback, c.fallback) << c.setting;
    EXPECT_EQ(allocator.alloc, nullptr) << c.setting;
    EXPECT_EQ(allocator.free, nullptr) << c.setting;
  }
  EXPECT_EQ(GetModuleHandleW(L"wininet.dll"), nullptr);
  // The fallback hands out CoTaskMemAlloc'ed texts.
  char* text = AllocTextWith(HostTextAllocator{}, "abc");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "abc");
  CoTaskMemFree(text);
}

}  // namespace
}  // namespace vdinv::platform::internal
