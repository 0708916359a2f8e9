// File-system operations on POSIX. Nothing here throws: every failure becomes the result.
#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/file_reads.h"

namespace vdinv::platform {
namespace {

void CloseFd(int fd) {
  if (fd >= 0) ::close(fd);  // never retried on EINTR: on Linux the descriptor is gone anyway
}

// Opens a regular file, or gives -1. The path's type is looked at before the open, so that no
// device is ever opened (opening one can have effects of its own), and again on the descriptor,
// since the path may have been replaced in between. O_NONBLOCK keeps the open of a named pipe
// from waiting for a process at its other end; it changes nothing for a regular file.
int OpenRegularFile(const std::string& path, int flags, mode_t mode = 0) {
  if (path.empty()) return -1;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return -1;
  } else if ((flags & O_CREAT) == 0) {
    return -1;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    CloseFd(fd);
    return -1;
  }
  return fd;
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

namespace internal {

std::optional<std::string> ReadAtMostOneOver(const std::string& path, size_t maxBytes) {
  const int fd = OpenRegularFile(path, O_RDONLY);
  if (fd < 0) return std::nullopt;
  const FdCloser closer{fd};
  const size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
  std::string content;
  char buffer[65536];
  while (content.size() < limit) {
    const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - content.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  return content;
}

}  // namespace internal

char PathSeparator() {
  return '/';
}

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
  CloseFd(OpenRegularFile(path, O_WRONLY | O_CREAT, 0644));
  return FileExists(path);
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  try {
    std::lock_guard<std::mutex> lock(AppendMutex());
    const int fd = OpenRegularFile(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return false;
    const FdCloser closer{fd};
    int locked;
    do {
      locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) return false;  // another process is writing: the text is lost
    const bool written = WriteAll(fd, bytes);
    ::flock(fd, LOCK_UN);
    return written;
  } catch (...) {  // std::system_error from the mutex
    return false;
  }
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  const int fd = OpenRegularFile(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes);
  const bool closed = ::close(fd) == 0;
  return written && closed;
}

}  // namespace vdinv::platform
