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
// The date and time of a log line as the system writes them: on Linux FormatDateTime; on
// Windows the user's short date and long time (the time left out at exactly midnight, as
// FormatDateTime does), in GBK, where a character GBK cannot hold takes its nearest ASCII form.
// Archive names never use it: a short date may hold "/".
std::string SystemDateTimeText(const LocalDateTime& t);
// "yyyy-mm-dd-hh-nn-ss", the stamp of an oversized log's archive.
std::string FormatArchiveStamp(const LocalDateTime& t);
// The same local time moved by whole days (calendar arithmetic, time of day kept).
LocalDateTime AddDays(const LocalDateTime& t, int days);
// OLE automation date: days since 1899-12-30, the time of day as the fraction.
double ToOleDate(const LocalDateTime& t);

}  // namespace vdinv::platform
