// Date and time texts in the fixed formats of the Linux build, and date arithmetic.
#pragma once

#include <string>

#include "platform/clock.h"

namespace vdinv::platform {

// Short date "yyyy-mm-dd".
std::string FormatShortDate(const LocalDateTime& t);
// Long time "hh:nn:ss", 24-hour.
std::string FormatLongTime(const LocalDateTime& t);
// Date, a space and the time; the time is left out at exactly midnight (00:00:00.000).
std::string FormatDateTime(const LocalDateTime& t);
// "yyyy-mm-dd-hh-nn-ss", the stamp of an oversized log's archive.
std::string FormatArchiveStamp(const LocalDateTime& t);
// The same local time moved by whole days (calendar arithmetic, time of day kept).
LocalDateTime AddDays(const LocalDateTime& t, int days);
// OLE automation date: days since 1899-12-30, the time of day as the fraction.
double ToOleDate(const LocalDateTime& t);

}  // namespace vdinv::platform
