// Text conversions at the boundary and the allocator for texts handed to the host.
#pragma once

#include <string>
#include <string_view>

namespace vdinv::platform {

// UTF-8 to GBK (code page 936); characters without a GBK form become '?', and so does each
// byte that is not part of a valid UTF-8 sequence (a sequence cut at the end: one '?').
std::string Utf8ToGbk(std::string_view utf8);
// GBK to UTF-8; invalid bytes become U+FFFD (one per byte; a lead byte with an invalid trail
// byte loses only the lead byte). The conversions never throw and always end.
std::string GbkToUtf8(std::string_view gbk);
// UTF-16LE code units to GBK; unpaired surrogates and unmappable characters become '?'.
std::string Utf16ToGbk(std::u16string_view utf16);
// True when the bytes are valid UTF-8.
bool IsValidUtf8(std::string_view bytes);
// True for the first byte of a GBK double-byte character (0x81..0xFE); the byte after it
// belongs to the same character, even when it looks like a backslash or a letter.
constexpr bool IsGbkLeadByte(unsigned char b) {
  return b >= 0x81 && b <= 0xFE;
}

// A copy of the text for the host, zero-terminated; an empty text is handed over as a null
// pointer. Linux: malloc'ed, released by the host with free. Windows: from CoTaskMemAlloc
// (released with CoTaskMemFree), or from the allocator that the registry value TextAllocator
// names, which the process keeps from the first text on.
char* AllocHostText(std::string_view text);
// Releases a text handed over by AllocHostText with the matching release (for the driver's own
// tools and tests).
void FreeHostText(char* text);

// Value of an environment variable, empty when unset.
std::string GetEnvironment(const char* name);
// Sets an environment variable of this process; true on success.
bool SetEnvironment(const std::string& name, const std::string& value);
// Removes an environment variable of this process; true on success (also when it was unset).
bool UnsetEnvironment(const std::string& name);

}  // namespace vdinv::platform
