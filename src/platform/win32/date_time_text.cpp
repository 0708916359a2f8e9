// Log lines on Windows carry the user's short date and long time formats.
#include <windows.h>

#include "platform/datetime.h"
#include "platform/win32/code_page.h"

namespace vdinv::platform {
namespace {

SYSTEMTIME ToSystemTime(const LocalDateTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.millisecond);
  return st;
}

std::wstring ShortDate(const SYSTEMTIME& st) {
  wchar_t buffer[128];
  const int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 128);
  return n > 0 ? std::wstring(buffer, static_cast<size_t>(n - 1)) : std::wstring();
}

std::wstring LongTime(const SYSTEMTIME& st) {
  wchar_t buffer[128];
  const int n = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, 128);
  return n > 0 ? std::wstring(buffer, static_cast<size_t>(n - 1)) : std::wstring();
}

}  // namespace

std::string SystemDateTimeText(const LocalDateTime& t) {
  try {
    const SYSTEMTIME st = ToSystemTime(t);
    std::wstring date = ShortDate(st);
    // Without the locale's formats (a date the system refuses) the log keeps the fixed ones.
    if (date.empty()) return FormatDateTime(t);
    if (!(t.hour == 0 && t.minute == 0 && t.second == 0 && t.millisecond == 0)) {
      const std::wstring time = LongTime(st);
      if (time.empty()) return FormatDateTime(t);
      date += L' ';
      date += time;
    }
    return internal::WideToGbkNearestAscii(date);
  } catch (...) {
    return FormatDateTime(t);
  }
}

}  // namespace vdinv::platform
