// GBK (code page 936) to and from UTF-16 for the Win32 backend: the driver's texts and paths are
// GBK whatever the system's ANSI code page is, so every call goes through the W functions.
#pragma once

#include <string>
#include <string_view>

namespace vdinv::platform::internal {

inline constexpr unsigned kGbkCodePage = 936;

// Invalid bytes become U+FFFD; never throws (nothing on allocation failure).
std::wstring GbkToWide(std::string_view gbk);
// Characters without a GBK form become '?'; never throws.
std::string WideToGbk(std::wstring_view wide);
// As WideToGbk, but a character without a GBK form takes its nearest ASCII form: digits of
// other scripts their ASCII digit, spaces of other widths a space, letters with marks their
// base letter; direction marks are left out; only what has none becomes '?'. For texts the
// user's locale writes (date and time formats), which should stay readable.
std::string WideToGbkNearestAscii(std::wstring_view wide);

// UTF-8 to and from UTF-16 (the window toolkit's texts, the wide command line); invalid input
// becomes U+FFFD; nothing on failure.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace vdinv::platform::internal
