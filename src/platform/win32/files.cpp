// File-system operations on Windows, through the W functions (paths are GBK). Nothing here
// throws: every failure becomes the result. Only regular files are opened: a path naming a
// device, a pipe or a directory is refused before and after the open, and nothing waits.
#include "platform/files.h"

#include <windows.h>
// windows.h makes DeleteFile a macro for DeleteFileA/W; this file defines the platform's own.
#undef DeleteFile

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "platform/file_reads.h"
#include "platform/win32/code_page.h"

namespace vdinv::platform {
namespace {

using internal::GbkToWide;

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) CloseHandle(h_);
  }
  Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = INVALID_HANDLE_VALUE; }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(Handle&&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }
  bool Close() {
    const bool closed = valid() && CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_;
};

// Attributes of an existing path, or INVALID_FILE_ATTRIBUTES.
DWORD Attributes(const std::string& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(GbkToWide(path).c_str());
}

bool IsDirectory(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Device names (COM1, NUL, \\.\PIPE\...) have no attributes of a file; a path that exists must
// be a file, and the opened handle must be a disk file.
Handle OpenRegularFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  if (path.empty() || path.rfind("\\\\.\\", 0) == 0) return Handle(INVALID_HANDLE_VALUE);
  const DWORD attributes = Attributes(path);
  if (IsDirectory(attributes)) return Handle(INVALID_HANDLE_VALUE);
  Handle h(CreateFileW(GbkToWide(path).c_str(), access, share, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid() || GetFileType(h.get()) != FILE_TYPE_DISK) return Handle(INVALID_HANDLE_VALUE);
  return h;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::mutex& AppendMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

namespace internal {

std::optional<std::string> ReadAtMostOneOver(const std::string& path, size_t maxBytes) {
  Handle h = OpenRegularFile(path, GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (!h.valid()) return std::nullopt;
  std::string content;
  const size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
  char buffer[16384];
  while (content.size() < limit) {
    const size_t want = std::min(sizeof buffer, limit - content.size());
    DWORD got = 0;
    if (!ReadFile(h.get(), buffer, static_cast<DWORD>(want), &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    content.append(buffer, got);
  }
  return content;
}

}  // namespace internal

char PathSeparator() {
  return '\\';
}

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !IsDirectory(attributes);
}

int64_t FileSize(const std::string& path) {
  if (path.empty()) return -1;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(GbkToWide(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return -1;
  }
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool CreateDirectories(const std::string& dir) {
  if (dir.empty()) return false;
  if (IsDirectory(Attributes(dir))) return true;
  // Every parent first; a GBK trail byte may look like a separator, so split on whole characters.
  std::wstring wide = GbkToWide(dir);
  while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
  for (size_t pos = 0; pos <= wide.size(); ++pos) {
    if (pos == wide.size() || wide[pos] == L'\\' || wide[pos] == L'/') {
      const std::wstring part = wide.substr(0, pos);
      if (part.empty() || part.back() == L':') continue;
      CreateDirectoryW(part.c_str(), nullptr);
    }
  }
  return IsDirectory(Attributes(dir));
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
  // Without MOVEFILE_REPLACE_EXISTING an existing target is never replaced.
  return MoveFileExW(GbkToWide(from).c_str(), GbkToWide(to).c_str(), 0) != 0;
}

bool DeleteFile(const std::string& path) {
  return !path.empty() && DeleteFileW(GbkToWide(path).c_str()) != 0;
}

bool CreateEmptyFile(const std::string& path) {
  Handle h = OpenRegularFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
  return h.valid() || FileExists(path);
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  try {
    std::lock_guard<std::mutex> lock(AppendMutex());
    // Others may read the log while it is written; a second writer is refused by the sharing
    // mode, so its text is lost rather than interleaved.
    Handle h = OpenRegularFile(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS);
    if (!h.valid()) return false;
    return WriteAll(h.get(), bytes);
  } catch (...) {  // std::system_error from the mutex
    return false;
  }
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  Handle h = OpenRegularFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
  if (!h.valid()) return false;
  const bool written = WriteAll(h.get(), bytes);
  return h.Close() && written;
}

}  // namespace vdinv::platform
