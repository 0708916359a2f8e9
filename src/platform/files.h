// File-system operations the driver needs for its log and the host's files.
// Every function absorbs failures and reports them through its result. The functions that open
// a file take regular files only and never wait: whatever the host's settings name (a named
// pipe, a device, a directory), the call returns at once with its failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vdinv::platform {

// The character that separates a path's parts on this system ('/' or '\\').
char PathSeparator();
// True for an existing file that is not a directory.
bool FileExists(const std::string& path);
// Size in bytes, or -1 when the file does not exist, is a directory or cannot be examined.
int64_t FileSize(const std::string& path);
// Creates the directory with every missing parent; true when it exists afterwards.
bool CreateDirectories(const std::string& dir);
// Renames a file; false when the target exists (it is never replaced) or the rename fails.
bool RenameFile(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);
// Creates an empty file when none exists; true when the file exists afterwards.
bool CreateEmptyFile(const std::string& path);
// Appends the bytes as they are at the end of the file, creating it (mode 0644) when missing;
// missing directories are not created (the caller does that). While the bytes are written
// nobody else may write the file: when another process holds the file's flock() lock the text
// is lost and false returned; threads of this process wait for each other (one mutex), so
// they never lose each other's lines. A path that is not a regular file loses the text.
bool AppendToFile(const std::string& path, std::string_view bytes);

// The most a settings file (registry stand-in, INI file, version file) may hold; a larger one
// counts as missing.
inline constexpr size_t kMaxHostFileBytes = size_t{1} << 20;

// What is read of the kernel's status files (/proc/cpuinfo, /proc/meminfo, /proc/self/status):
// the lines wanted are at their start, and /proc/cpuinfo grows with the number of processors.
inline constexpr size_t kSystemFileHeadBytes = size_t{64} << 10;

// The whole file, or nothing when it is missing, not a regular file, larger than maxBytes or
// cannot be read. The size is what reading finds, not what the file system reports (the
// kernel's /proc files report 0).
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         size_t maxBytes = kMaxHostFileBytes);
// The beginning of a regular file: all of it when it holds at most maxBytes, else its text up to
// and including the last line feed within the first maxBytes (so no line is cut). For files
// read line by line whose length is not bounded, such as /proc/cpuinfo on a large machine.
std::optional<std::string> ReadFileHead(const std::string& path, size_t maxBytes);
// Writes the whole file anew (a regular file only); true on success.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace vdinv::platform
