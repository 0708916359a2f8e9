// The driver's plain-text log at the path the host hands in: appending, and its daily maintenance.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vdinv::engine {

// The text as log lines: the stamp in front and CR LF behind. A line break in the text (CR LF, a
// lone LF or a lone CR) is written as CR LF, and the text after it gets the stamp again, so that
// every line of the log carries its date; a break with no text after it leaves an empty line.
std::string StampedLines(std::string_view stamp, std::string_view text);

class LogFile {
 public:
  explicit LogFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  // Appends the bytes as they are (no stamp, no line end), creating the directory first.
  // Failures lose the text silently.
  void Append(std::string_view bytes) const noexcept;
  // The same, after running Maintain(now) when the local date is not that of the last
  // maintenance or the log has grown beyond its limit: a driver that runs for months archives
  // each day's log and never lets it grow without bound. An oversized log is moved aside at
  // most once per second of the stamp, so one that cannot be moved costs no extra file
  // operations on every line.
  void Append(std::string_view bytes, const platform::LocalDateTime& now) noexcept;

  // Moves the running log aside: under yesterday's date ("VD_Inv2026-12-06.LOG") when no such
  // archive exists yet, or under a time stamp ("VD_Inv2026-12-07-07-26-50.LOG") when the log
  // has grown beyond 500000 bytes. A missing log is created empty first, so the first run of a
  // day always leaves yesterday's archive, empty when nothing was logged; the next Append
  // starts the fresh log. Deletes the archives of 30 to 100 days ago. Failures are swallowed.
  // The date counts as maintained even when a step failed, so a failing rename is not retried
  // at every append.
  void Maintain(const platform::LocalDateTime& now) noexcept;

  // The archive name of a date (path without extension + "yyyy-mm-dd" + ".LOG").
  std::string DailyArchive(const platform::LocalDateTime& day) const;

 private:
  struct Date {
    int year, month, day;
    friend bool operator==(const Date&, const Date&) = default;
  };
  static Date DateOf(const platform::LocalDateTime& t) { return {t.year, t.month, t.day}; }
  static platform::LocalDateTime SecondOf(platform::LocalDateTime t) {
    t.millisecond = 0;
    return t;
  }

  std::string path_;
  std::optional<Date> maintainedOn_;
  std::optional<platform::LocalDateTime> maintainedAt_;
};

}  // namespace vdinv::engine
