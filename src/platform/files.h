// File-system operations the driver needs for its log and the host's files.
// Every function absorbs failures and reports them through its result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vdinv::platform {

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
// they never lose each other's lines.
bool AppendToFile(const std::string& path, std::string_view bytes);
// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Writes the whole file anew; true on success.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace vdinv::platform
