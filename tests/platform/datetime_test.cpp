#include "platform/datetime.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace vdinv::platform {
namespace {

LocalDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return LocalDateTime{y, mo, d, h, mi, s, ms};
}

TEST(PlatformDate, ShortDateAndLongTimeUseTwoDigits) {
  EXPECT_EQ(FormatShortDate(At(2026, 2, 3)), "2026-02-03");
  EXPECT_EQ(FormatLongTime(At(2026, 2, 3, 7, 5, 9)), "07:05:09");
  EXPECT_EQ(FormatLongTime(At(2026, 2, 3, 23, 59, 59, 999)), "23:59:59");
  EXPECT_EQ(FormatShortDate(At(999, 1, 1)), "0999-01-01");
}

TEST(PlatformDate, DateTimeLeavesOutTheTimeOnlyAtExactMidnight) {
  EXPECT_EQ(FormatDateTime(At(2026, 12, 7, 7, 26, 50)), "2026-12-07 07:26:50");
  EXPECT_EQ(FormatDateTime(At(2026, 12, 7)), "2026-12-07");
  EXPECT_EQ(FormatDateTime(At(2026, 12, 7, 0, 0, 0, 1)), "2026-12-07 00:00:00");
  EXPECT_EQ(FormatDateTime(At(2026, 12, 7, 0, 0, 1)), "2026-12-07 00:00:01");
  EXPECT_EQ(FormatDateTime(At(2026, 12, 7, 12, 0, 0)), "2026-12-07 12:00:00");
}

TEST(PlatformDate, ArchiveStamp) {
  EXPECT_EQ(FormatArchiveStamp(At(2026, 12, 7, 7, 26, 50, 123)), "2026-12-07-07-26-50");
  EXPECT_EQ(FormatArchiveStamp(At(2026, 1, 1)), "2026-01-01-00-00-00");
}

TEST(PlatformDate, AddDaysKeepsTheTimeOfDay) {
  EXPECT_EQ(AddDays(At(2026, 12, 7, 7, 26, 50, 5), -1), At(2026, 12, 6, 7, 26, 50, 5));
  EXPECT_EQ(AddDays(At(2026, 12, 7, 7, 26, 50, 5), 0), At(2026, 12, 7, 7, 26, 50, 5));
}

TEST(PlatformDate, AddDaysCrossesMonthsAndYears) {
  EXPECT_EQ(AddDays(At(2026, 1, 31), 1), At(2026, 2, 1));
  EXPECT_EQ(AddDays(At(2026, 3, 1), -1), At(2026, 2, 28));
  EXPECT_EQ(AddDays(At(2026, 12, 31, 23, 59, 59), 1), At(2027, 1, 1, 23, 59, 59));
  EXPECT_EQ(AddDays(At(2027, 1, 1), -1), At(2026, 12, 31));
  EXPECT_EQ(AddDays(At(2026, 4, 30), 1), At(2026, 5, 1));
  EXPECT_EQ(AddDays(At(2026, 1, 1), 365), At(2027, 1, 1));
  EXPECT_EQ(AddDays(At(2026, 1, 1), -3650), At(2016, 1, 4));
}

TEST(PlatformDate, AddDaysKnowsLeapYears) {
  EXPECT_EQ(AddDays(At(2024, 2, 28), 1), At(2024, 2, 29));
  EXPECT_EQ(AddDays(At(2024, 2, 29), 1), At(2024, 3, 1));
  EXPECT_EQ(AddDays(At(2024, 3, 1), -1), At(2024, 2, 29));
  EXPECT_EQ(AddDays(At(2023, 2, 28), 1), At(2023, 3, 1));
  EXPECT_EQ(AddDays(At(1900, 2, 28), 1), At(1900, 3, 1));   // not a leap year
  EXPECT_EQ(AddDays(At(2000, 2, 28), 1), At(2000, 2, 29));  // a leap year
  EXPECT_EQ(AddDays(At(2100, 2, 28), 1), At(2100, 3, 1));
  EXPECT_EQ(AddDays(At(2024, 1, 1), 366), At(2025, 1, 1));
}

TEST(PlatformDate, OleDateOfKnownDays) {
  EXPECT_DOUBLE_EQ(ToOleDate(At(1899, 12, 30)), 0.0);
  EXPECT_DOUBLE_EQ(ToOleDate(At(1899, 12, 31)), 1.0);
  EXPECT_DOUBLE_EQ(ToOleDate(At(1900, 1, 1)), 2.0);
  EXPECT_DOUBLE_EQ(ToOleDate(At(1900, 3, 1)), 61.0);
  EXPECT_DOUBLE_EQ(ToOleDate(At(2000, 1, 1)), 36526.0);
  EXPECT_DOUBLE_EQ(ToOleDate(At(1970, 1, 1)), 25569.0);
  EXPECT_DOUBLE_EQ(ToOleDate(LocalDateTime{}), 0.0);  // the default is the OLE epoch
}

TEST(PlatformDate, OleDateFractionIsTheTimeOfDay) {
  EXPECT_DOUBLE_EQ(ToOleDate(At(2000, 1, 1, 12)), 36526.5);
  EXPECT_DOUBLE_EQ(ToOleDate(At(2000, 1, 1, 6)), 36526.25);
  EXPECT_DOUBLE_EQ(ToOleDate(At(2000, 1, 1, 18, 0, 0)), 36526.75);
  EXPECT_NEAR(ToOleDate(At(2000, 1, 1, 0, 0, 1)), 36526.0 + 1.0 / 86400, 1e-9);
  EXPECT_NEAR(ToOleDate(At(2000, 1, 1, 0, 0, 0, 500)), 36526.0 + 0.5 / 86400, 1e-10);
  // Before the epoch the days count backwards, the time forwards.
  EXPECT_DOUBLE_EQ(ToOleDate(At(1899, 12, 29, 6)), -1.25);
}

TEST(PlatformClock, SystemClockIsPlausible) {
  IClock& clock = SystemClock();
  const LocalDateTime now = clock.Now();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
  EXPECT_LE(now.second, 59);
  EXPECT_GE(now.millisecond, 0);
  EXPECT_LE(now.millisecond, 999);
  const uint32_t first = clock.TickCount();
  const uint32_t second = clock.TickCount();
  EXPECT_LT(static_cast<uint32_t>(second - first), 1000U);  // monotonic, wrap-aware
  EXPECT_EQ(&SystemClock(), &clock);
}

}  // namespace
}  // namespace vdinv::platform
