#include "engine/log_file.h"

#include <algorithm>

#include "common/path_text.h"
#include "platform/datetime.h"
#include "platform/files.h"

namespace vdinv::engine {
namespace {

constexpr std::string_view kArchiveExtension = ".LOG";

// A running log larger than this is moved aside under a time stamp.
constexpr int64_t kMaxLogBytes = 500000;
// Daily archives this many days old are deleted at maintenance.
constexpr int kFirstExpiredDay = 30;
constexpr int kLastExpiredDay = 100;

// The path without its extension (the part from the last "." of the last component on).
std::string WithoutExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t sep = path.find_last_of("/\\");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return path;
  return path.substr(0, dot);
}

}  // namespace

std::string StampedLines(std::string_view stamp, std::string_view text) {
  std::string lines(stamp);
  lines.reserve(stamp.size() + text.size() + 2);
  size_t start = 0;
  for (;;) {
    const size_t brk = std::min(text.find_first_of("\r\n", start), text.size());
    lines.append(text.substr(start, brk - start)).append("\r\n");
    if (brk == text.size()) return lines;
    // A byte of CR or LF is never part of a GBK character, so the text splits safely here.
    start = brk + (text.compare(brk, 2, "\r\n") == 0 ? 2 : 1);
    if (start < text.size() && text[start] != '\r' && text[start] != '\n') lines.append(stamp);
  }
}

std::string LogFile::DailyArchive(const platform::LocalDateTime& day) const {
  return WithoutExtension(path_) + platform::FormatShortDate(day) + std::string(kArchiveExtension);
}

void LogFile::Append(std::string_view bytes) const noexcept {
  try {
    const std::string dir = DirectoryPart(path_);
    if (!dir.empty()) platform::CreateDirectories(dir);
    platform::AppendToFile(path_, bytes);
  } catch (...) {
    // The text is lost; logging never disturbs the caller.
  }
}

void LogFile::Append(std::string_view bytes, const platform::LocalDateTime& now) noexcept {
  // An oversized log that could not be moved aside (its time-stamped name taken, or the file
  // held open by a reader) is tried again only when the stamp has moved on, not at every line.
  if (maintainedOn_ != DateOf(now) ||
      (maintainedAt_ != SecondOf(now) && platform::FileSize(path_) > kMaxLogBytes)) {
    Maintain(now);
  }
  Append(bytes);
}

void LogFile::Maintain(const platform::LocalDateTime& now) noexcept {
  maintainedOn_ = DateOf(now);
  maintainedAt_ = SecondOf(now);
  try {
    std::string archive = DailyArchive(platform::AddDays(now, -1));
    if (platform::FileExists(path_) && platform::FileSize(path_) > kMaxLogBytes) {
      archive = WithoutExtension(path_) + platform::FormatArchiveStamp(now) +
                std::string(kArchiveExtension);
    }
    // The log is created before the rename: on the first run of a day an empty log becomes
    // yesterday's archive, which keeps the set of archives without gaps. Its directory is
    // created first, so that a log started later that day is never taken for yesterday's.
    if (!platform::FileExists(path_)) {
      const std::string dir = DirectoryPart(path_);
      if (!dir.empty()) platform::CreateDirectories(dir);
      platform::CreateEmptyFile(path_);
    }
    if (!platform::FileExists(archive)) platform::RenameFile(path_, archive);

    for (int days = kFirstExpiredDay; days <= kLastExpiredDay; ++days) {
      const std::string expired = DailyArchive(platform::AddDays(now, -days));
      if (platform::FileExists(expired)) platform::DeleteFile(expired);
    }
  } catch (...) {
    // A failing step keeps the files as they are.
  }
}

}  // namespace vdinv::engine
