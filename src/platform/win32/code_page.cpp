#include "platform/win32/code_page.h"

#include <windows.h>

#include <climits>
#include <cwctype>

namespace vdinv::platform::internal {
namespace {

int ClampedLength(size_t n) {
  return n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

// Code page 936 has no character beyond the basic plane: each surrogate pair, like each
// unpaired surrogate, becomes one '?' (the system would give one per code unit).
std::wstring WithoutSurrogates(std::wstring_view wide) {
  std::wstring out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    const wchar_t unit = wide[i];
    if (unit < 0xD800 || unit > 0xDFFF) {
      out += unit;
      continue;
    }
    if (unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      ++i;
    }
    out += L'?';
  }
  return out;
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) {
  try {
    if (gbk.empty()) return {};
    const int length = ClampedLength(gbk.size());
    const int needed = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    const int done = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), length, wide.data(), needed);
    wide.resize(done > 0 ? static_cast<size_t>(done) : 0);
    return wide;
  } catch (...) {
    return {};
  }
}

std::string WideToGbk(std::wstring_view original) {
  try {
    const std::wstring wide = WithoutSurrogates(original);
    if (wide.empty()) return {};
    const int length = ClampedLength(wide.size());
    const int needed =
        WideCharToMultiByte(kGbkCodePage, 0, wide.data(), length, nullptr, 0, "?", nullptr);
    if (needed <= 0) return {};
    std::string gbk(static_cast<size_t>(needed), '\0');
    const int done =
        WideCharToMultiByte(kGbkCodePage, 0, wide.data(), length, gbk.data(), needed, "?", nullptr);
    gbk.resize(done > 0 ? static_cast<size_t>(done) : 0);
    return gbk;
  } catch (...) {
    return {};
  }
}

namespace {

bool HasGbkForm(wchar_t c) {
  if (c < 0x80) return true;
  char bytes[4];
  BOOL usedDefault = FALSE;
  return WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, &c, 1, bytes, sizeof bytes,
                             nullptr, &usedDefault) > 0 &&
         !usedDefault;
}

// The nearest ASCII form of one character: "?" when it has none, "" for a mark left out.
std::wstring NearestAscii(wchar_t c) {
  if (c == 0x200E || c == 0x200F || c == 0x061C || c == 0x202A || c == 0x202B || c == 0x202C ||
      c == 0x202D || c == 0x202E) {
    return {};  // direction marks
  }
  if (iswspace(c) || c == 0x00A0 || c == 0x202F || c == 0x2007) return L" ";
  // Other scripts' digits fold to ASCII digits; a composed letter decomposes into its base
  // letter and marks, of which the base letter is kept.
  wchar_t folded[8] = {};
  const int n = FoldStringW(MAP_FOLDDIGITS | MAP_COMPOSITE, &c, 1, folded, 8);
  if (n > 0 && folded[0] > 0 && folded[0] < 0x80) return std::wstring(1, folded[0]);
  return L"?";
}

}  // namespace

std::string WideToGbkNearestAscii(std::wstring_view wide) {
  try {
    std::wstring mapped;
    mapped.reserve(wide.size());
    for (const wchar_t c : wide) {
      if (c >= 0xD800 && c <= 0xDFFF) {
        mapped += c;  // WideToGbk makes one '?' of a pair
      } else if (HasGbkForm(c)) {
        mapped += c;
      } else {
        mapped += NearestAscii(c);
      }
    }
    return WideToGbk(mapped);
  } catch (...) {
    return {};
  }
}

std::wstring Utf8ToWide(std::string_view utf8) {
  try {
    if (utf8.empty()) return {};
    const int length = ClampedLength(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    const int done = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
    wide.resize(done > 0 ? static_cast<size_t>(done) : 0);
    return wide;
  } catch (...) {
    return {};
  }
}

std::string WideToUtf8(std::wstring_view wide) {
  try {
    if (wide.empty()) return {};
    const int length = ClampedLength(wide.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string utf8(static_cast<size_t>(needed), '\0');
    const int done =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    utf8.resize(done > 0 ? static_cast<size_t>(done) : 0);
    return utf8;
  } catch (...) {
    return {};
  }
}

}  // namespace vdinv::platform::internal
