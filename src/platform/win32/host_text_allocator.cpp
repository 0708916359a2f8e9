#include "platform/win32/host_text_allocator.h"

#include <objbase.h>
#include <windows.h>

#include <cstring>
#include <limits>
#include <string>

#include "platform/profile.h"
#include "platform/win32/code_page.h"

namespace vdinv::platform::internal {
namespace {

constexpr std::string_view kSettingsKey = "Software\\KORVI\\VD_Inv";
constexpr std::string_view kSettingName = "TextAllocator";

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// GetProcAddress hands back a generic function pointer; the cast goes through void (*)() so
// that the compiler does not take it for a mismatch of signatures.
template <class Function>
Function Export(HMODULE module, std::string_view name) {
  const FARPROC found = GetProcAddress(module, std::string(name).c_str());
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

HostTextAllocator ResolveHostTextAllocator(std::string_view setting) {
  HostTextAllocator allocator;
  setting = TrimBlanks(setting);
  if (setting.empty()) return allocator;
  std::string_view parts[3];
  size_t count = 0;
  for (size_t pos = 0; pos <= setting.size(); ++count) {
    size_t comma = setting.find(',', pos);
    if (comma == std::string_view::npos) comma = setting.size();
    if (count < 3) parts[count] = TrimBlanks(setting.substr(pos, comma - pos));
    pos = comma + 1;
  }
  if (count != 3 || parts[0].empty() || parts[1].empty() || parts[2].empty()) {
    allocator.fallback = TextAllocatorFallback::kMalformed;
    return allocator;
  }
  // Only a module the host has loaded counts: loading one here would give texts from an
  // allocator the host does not share.
  const HMODULE module = GetModuleHandleW(GbkToWide(parts[0]).c_str());
  if (module == nullptr) {
    allocator.fallback = TextAllocatorFallback::kModuleNotLoaded;
    return allocator;
  }
  const auto alloc = Export<TextAllocFunction>(module, parts[1]);
  const auto free = Export<TextFreeFunction>(module, parts[2]);
  if (alloc == nullptr || free == nullptr) {
    allocator.fallback = TextAllocatorFallback::kExportMissing;
    return allocator;
  }
  allocator.alloc = alloc;
  allocator.free = free;
  return allocator;
}

HostTextAllocator HostTextAllocatorFromRegistry() {
  try {
    return ResolveHostTextAllocator(ReadRegistryString(kSettingsKey, kSettingName));
  } catch (...) {  // std::bad_alloc: the convention's allocator
    return {};
  }
}

const HostTextAllocator& ProcessHostTextAllocator() {
  static const HostTextAllocator allocator = HostTextAllocatorFromRegistry();
  return allocator;
}

char* AllocTextWith(const HostTextAllocator& allocator, std::string_view text) {
  if (text.empty() || text.size() >= std::numeric_limits<uint32_t>::max()) return nullptr;
  const auto size = static_cast<uint32_t>(text.size() + 1);
  auto* copy =
      static_cast<char*>(allocator.alloc != nullptr ? allocator.alloc(size) : CoTaskMemAlloc(size));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

void FreeTextWith(const HostTextAllocator& allocator, char* text) {
  if (text == nullptr) return;
  if (allocator.free != nullptr) {
    allocator.free(text);
  } else {
    CoTaskMemFree(text);
  }
}

}  // namespace vdinv::platform::internal
