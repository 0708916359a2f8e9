// Portable date and time texts and calendar arithmetic (proleptic Gregorian calendar).
#include "platform/datetime.h"

#include <cstdint>
#include <cstdio>

namespace vdinv::platform {
namespace {

// Days since 1970-01-01 of a civil date (H. Hinnant's algorithm, valid for any year).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;                                   // [0, 399]
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // [0, 365]
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;           // [0, 146096]
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp + (mp < 10 ? 3 : -9);
  year = static_cast<int>(y + (m <= 2 ? 1 : 0));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

// 1899-12-30, day 0 of the OLE automation date.
constexpr int64_t kOleEpochDays = -25569;

std::string Format(const char* format, int a, int b, int c) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, format, a, b, c);
  if (n < 0) return {};
  return std::string(
      buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

}  // namespace

std::string FormatShortDate(const LocalDateTime& t) {
  return Format("%04d-%02d-%02d", t.year, t.month, t.day);
}

std::string FormatLongTime(const LocalDateTime& t) {
  return Format("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

std::string FormatDateTime(const LocalDateTime& t) {
  if (t.hour == 0 && t.minute == 0 && t.second == 0 && t.millisecond == 0) {
    return FormatShortDate(t);
  }
  return FormatShortDate(t) + " " + FormatLongTime(t);
}

std::string FormatArchiveStamp(const LocalDateTime& t) {
  return FormatShortDate(t) + "-" + Format("%02d-%02d-%02d", t.hour, t.minute, t.second);
}

LocalDateTime AddDays(const LocalDateTime& t, int days) {
  LocalDateTime moved = t;
  CivilFromDays(DaysFromCivil(t.year, t.month, t.day) + days, moved.year, moved.month, moved.day);
  return moved;
}

double ToOleDate(const LocalDateTime& t) {
  const int64_t days = DaysFromCivil(t.year, t.month, t.day) - kOleEpochDays;
  const int64_t ms =
      ((static_cast<int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  const double fraction = static_cast<double>(ms) / 86400000.0;
  // Before the epoch the OLE date counts the days backwards but the time of day forwards:
  // 1899-12-29 06:00 is -1.25.
  return days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
}

}  // namespace vdinv::platform
