// File-system operations on POSIX. Nothing here throws: every failure becomes the result.
#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <system_error>

namespace vdinv::platform {
namespace {

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void CloseFd(int fd) {
  if (fd >= 0) ::close(fd);  // never retried on EINTR: on Linux the descriptor is gone anyway
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// Closes the descriptor when the scope ends, also on an exception.
struct FdCloser {
  int fd;
  ~FdCloser() { CloseFd(fd); }
};

// Serialises the appends of this process's threads: flock() locks belong to the open file
// description, so two threads that open the file separately would refuse each other.
std::mutex& AppendMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  return !S_ISDIR(st.st_mode);
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool CreateDirectories(const std::string& dir) {
  if (dir.empty()) return false;
  try {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return std::filesystem::is_directory(dir, ec);
  } catch (...) {
    return false;
  }
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;  // EEXIST among them
#endif
  // No RENAME_NOREPLACE here: a hard link cannot replace an existing target either.
  if (::link(from.c_str(), to.c_str()) == 0) {
    if (::unlink(from.c_str()) == 0) return true;
    ::unlink(to.c_str());
    return false;
  }
  if (errno == EEXIST) return false;
  // The file system has no hard links (or the source is a directory): check, then rename.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0 || errno != ENOENT) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool DeleteFile(const std::string& path) {
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool CreateEmptyFile(const std::string& path) {
  if (path.empty()) return false;
  const int fd = OpenRetrying(path.c_str(), O_WRONLY | O_CREAT, 0644);
  CloseFd(fd);
  return FileExists(path);
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  if (path.empty()) return false;
  try {
    std::lock_guard<std::mutex> lock(AppendMutex());
    const int fd = OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return false;
    int locked;
    do {
      locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {  // another process is writing: the text is lost
      CloseFd(fd);
      return false;
    }
    const bool written = WriteAll(fd, bytes);
    ::flock(fd, LOCK_UN);
    CloseFd(fd);
    return written;
  } catch (...) {  // std::system_error from the mutex
    return false;
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  try {
    const int fd = OpenRetrying(path.c_str(), O_RDONLY);
    if (fd < 0) return std::nullopt;
    const FdCloser closer{fd};
    std::string content;
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (n == 0) break;
      content.append(buffer, static_cast<size_t>(n));
    }
    return content;
  } catch (...) {  // std::bad_alloc
    return std::nullopt;
  }
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  if (path.empty()) return false;
  const int fd = OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes);
  const bool closed = ::close(fd) == 0;
  return written && closed;
}

}  // namespace vdinv::platform
