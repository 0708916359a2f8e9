// The driver's plain-text log: where it lives, appending, and its daily maintenance.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vdinv::engine {

// The log file path: "<project dir>/Debug/VD_Inv.Log" where the project directory is that of
// the host's current project ("Ovatrex.ini", section WORKING, key DefaultPROJECT, found in the
// host installation directory or else in "../"); "./Debug/VD_Inv.Log" when no settings file
// is found. "VD_Inv" is the driver's module file name up to its first ".".
std::string ComputeLogPath();

// The project directory part of a DefaultPROJECT text: everything up to and including the last
// "/" or "\" (both separate components), with every "\" separator written as "/"; empty when
// there is none.
std::string ProjectDirectoryOf(std::string_view defaultProject);

class LogFile {
 public:
  explicit LogFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  // Appends the bytes as they are (no stamp, no line end), creating the directory first.
  // Failures lose the text silently.
  void Append(std::string_view bytes) const noexcept;

  // Moves the running log aside: under yesterday's date ("VD_Inv2026-12-06.LOG") when no such
  // archive exists yet, or under a time stamp ("VD_Inv2026-12-07-07-26-50.LOG") when the log
  // has grown beyond 500000 bytes. A missing log is created empty first, so the first run of a
  // day always leaves yesterday's archive, empty when nothing was logged; the next Append
  // starts the fresh log. Deletes the archives of 30 to 100 days ago. Failures are swallowed.
  void Maintain(const platform::LocalDateTime& now) const noexcept;

  // The archive name of a date (path without extension + "yyyy-mm-dd" + ".LOG").
  std::string DailyArchive(const platform::LocalDateTime& day) const;

 private:
  std::string path_;
};

}  // namespace vdinv::engine
