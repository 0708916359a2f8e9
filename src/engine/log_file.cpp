#include "engine/log_file.h"

#include <algorithm>

#include "host/module_info.h"
#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/version_resource.h"

namespace vdinv::engine {
namespace {

constexpr std::string_view kHostSettingsFile = "Ovatrex.ini";
constexpr std::string_view kWorkingSection = "WORKING";
constexpr std::string_view kProjectKey = "DefaultPROJECT";
constexpr std::string_view kProjectDefault = ".\\";
constexpr std::string_view kFallbackLogDir = "./Debug/";
constexpr std::string_view kLogSubDir = "Debug/";
constexpr std::string_view kLogExtension = ".Log";
constexpr std::string_view kArchiveExtension = ".LOG";

// A running log larger than this is moved aside under a time stamp.
constexpr int64_t kMaxLogBytes = 500000;
// Daily archives this many days old are deleted at maintenance.
constexpr int kFirstExpiredDay = 30;
constexpr int kLastExpiredDay = 100;

// The log's base name: the driver's module file name up to its first ".".
std::string LogBaseName() {
  std::string_view module = platform::DriverModuleFileName();
  return std::string(module.substr(0, module.find('.')));
}

// The path without its extension (the part from the last "." of the last component on).
std::string WithoutExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t sep = path.find_last_of("/\\");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return path;
  return path.substr(0, dot);
}

}  // namespace

std::string ProjectDirectoryOf(std::string_view defaultProject) {
  std::string dir = host::DirectoryPart(defaultProject);
  // Walk the GBK text so that a trail byte 0x5C of a double-byte character stays as it is.
  for (size_t i = 0; i < dir.size(); ++i) {
    const auto c = static_cast<unsigned char>(dir[i]);
    if (platform::IsGbkLeadByte(c) && i + 1 < dir.size()) {
      ++i;
    } else if (c == '\\') {
      dir[i] = '/';
    }
  }
  return dir;
}

std::string ComputeLogPath() {
  const std::string logName = LogBaseName() + std::string(kLogExtension);
  const std::string settings = host::HostInstallDir() + std::string(kHostSettingsFile);
  if (!platform::FileExists(settings)) return std::string(kFallbackLogDir) + logName;

  const std::string project =
      platform::ReadIniString(settings, kWorkingSection, kProjectKey, kProjectDefault);
  return ProjectDirectoryOf(project) + std::string(kLogSubDir) + logName;
}

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
    const std::string dir = host::DirectoryPart(path_);
    if (!dir.empty()) platform::CreateDirectories(dir);
    platform::AppendToFile(path_, bytes);
  } catch (...) {
    // The text is lost; logging never disturbs the caller.
  }
}

void LogFile::Append(std::string_view bytes, const platform::LocalDateTime& now) noexcept {
  if (maintainedOn_ != DateOf(now) || platform::FileSize(path_) > kMaxLogBytes) Maintain(now);
  Append(bytes);
}

void LogFile::Maintain(const platform::LocalDateTime& now) noexcept {
  maintainedOn_ = DateOf(now);
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
      const std::string dir = host::DirectoryPart(path_);
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
