// GBK conversions through code page 936 (whatever the system's ANSI code page), texts for the
// host from the process's host-text allocator (host_text_allocator.h), and the environment.
#include "platform/text.h"

#include <windows.h>

#include "platform/utf8_sequence.h"
#include "platform/win32/code_page.h"
#include "platform/win32/host_text_allocator.h"

namespace vdinv::platform {
namespace {

using internal::Utf8SequenceLength;
using internal::Utf8ToWide;
using internal::WideToUtf8;

constexpr const char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the character that code page 936 maps at the start of the GBK bytes, or 0 when
// they do not start with one (0x80 alone is the euro sign).
size_t GbkCharacterLength(std::string_view bytes) {
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  if (b0 < 0x80) return 1;
  const int length = IsGbkLeadByte(b0) ? 2 : 1;
  if (bytes.size() < static_cast<size_t>(length)) return 0;
  wchar_t unit = 0;
  return MultiByteToWideChar(internal::kGbkCodePage, MB_ERR_INVALID_CHARS, bytes.data(), length,
                             &unit, 1) == 1
             ? static_cast<size_t>(length)
             : 0;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
  // Valid runs go through UTF-16 as a whole; each invalid byte becomes one '?'.
  std::string out;
  try {
    size_t start = 0;
    size_t pos = 0;
    const auto flush = [&] {
      if (pos > start) out += internal::WideToGbk(Utf8ToWide(utf8.substr(start, pos - start)));
    };
    while (pos < utf8.size()) {
      const size_t length = Utf8SequenceLength(utf8.substr(pos));
      if (length != 0) {
        pos += length;
        continue;
      }
      flush();
      out += '?';
      start = ++pos;
    }
    flush();
  } catch (...) {  // std::bad_alloc: hand out what was converted
  }
  return out;
}

std::string GbkToUtf8(std::string_view gbk) {
  // An invalid byte becomes U+FFFD and only that byte is skipped, so an ASCII byte after an
  // invalid lead byte is kept.
  std::string out;
  try {
    size_t start = 0;
    size_t pos = 0;
    const auto flush = [&] {
      if (pos > start) out += WideToUtf8(internal::GbkToWide(gbk.substr(start, pos - start)));
    };
    while (pos < gbk.size()) {
      const size_t length = GbkCharacterLength(gbk.substr(pos));
      if (length != 0) {
        pos += length;
        continue;
      }
      flush();
      out += kReplacementUtf8;
      start = ++pos;
    }
    flush();
  } catch (...) {
  }
  return out;
}

std::string Utf16ToGbk(std::u16string_view utf16) {
  try {
    return internal::WideToGbk(std::wstring(utf16.begin(), utf16.end()));
  } catch (...) {
    return {};
  }
}

char* AllocHostText(std::string_view text) {
  return internal::AllocTextWith(internal::ProcessHostTextAllocator(), text);
}

void FreeHostText(char* text) {
  internal::FreeTextWith(internal::ProcessHostTextAllocator(), text);
}

std::string GetEnvironment(const char* name) {
  if (name == nullptr) return {};
  try {
    const std::wstring wideName = internal::GbkToWide(name);
    const DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    const DWORD got = GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
    if (got == 0 || got >= needed) return {};
    value.resize(got);
    return internal::WideToGbk(value);
  } catch (...) {
    return {};
  }
}

bool SetEnvironment(const std::string& name, const std::string& value) {
  return SetEnvironmentVariableW(internal::GbkToWide(name).c_str(),
                                 internal::GbkToWide(value).c_str()) != 0;
}

bool UnsetEnvironment(const std::string& name) {
  // Removing a variable that is not there is no failure, as with unsetenv.
  return SetEnvironmentVariableW(internal::GbkToWide(name).c_str(), nullptr) != 0 ||
         GetLastError() == ERROR_ENVVAR_NOT_FOUND;
}

}  // namespace vdinv::platform
