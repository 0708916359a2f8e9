// The allocator of the texts handed to the host: CoTaskMemAlloc, or an allocator exported by a
// module already loaded in the host process, named by the registry value
// HKEY_LOCAL_MACHINE\Software\KORVI\VD_Inv TextAllocator as "module.dll,AllocName,FreeName".
#pragma once

#include <cstdint>
#include <string_view>

namespace vdinv::platform::internal {

using TextAllocFunction = void*(__stdcall*)(uint32_t size);
using TextFreeFunction = void(__stdcall*)(void* text);

// Why the named allocator is not used (kNone: it is, or none was named).
enum class TextAllocatorFallback {
  kNone,
  kMalformed,        // not three non-empty parts separated by commas
  kModuleNotLoaded,  // no module of that name is loaded in the process
  kExportMissing,    // the module lacks one of the two exports
};

struct HostTextAllocator {
  TextAllocFunction alloc = nullptr;  // both null: CoTaskMemAlloc and CoTaskMemFree
  TextFreeFunction free = nullptr;
  TextAllocatorFallback fallback = TextAllocatorFallback::kNone;
};

// The allocator a setting names. Blanks around the parts are ignored; the module is looked up
// among the loaded modules only (never loaded for the purpose).
HostTextAllocator ResolveHostTextAllocator(std::string_view setting);
// The allocator the registry value names now.
HostTextAllocator HostTextAllocatorFromRegistry();
// The process's allocator: decided at the first call, then kept, so that every text is released
// by the free that matches its allocation.
const HostTextAllocator& ProcessHostTextAllocator();

// A copy of the text from the allocator (null for an empty text or a failed allocation), and its
// release.
char* AllocTextWith(const HostTextAllocator& allocator, std::string_view text);
void FreeTextWith(const HostTextAllocator& allocator, char* text);

}  // namespace vdinv::platform::internal
