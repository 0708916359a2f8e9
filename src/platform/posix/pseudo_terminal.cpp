// Pseudo-terminals and raw terminal devices on POSIX.
#include "platform/pseudo_terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "platform/posix/standard_speed.h"

namespace vdinv::platform {
namespace {

using Clock = std::chrono::steady_clock;

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);  // never retried on EINTR: on Linux the descriptor is gone anyway
  fd = -1;
}

std::string ErrnoText(int err) {
  char buffer[256] = {};
  // The GNU strerror_r returns the text (maybe not in buffer).
  return strerror_r(err, buffer, sizeof buffer);
}

bool MakeRaw(int fd, uint32_t baud, std::string& error) {
  struct termios tio {};
  if (::tcgetattr(fd, &tio) != 0) {
    error = "tcgetattr: " + ErrnoText(errno);
    return false;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  // 0, or a rate without a Bxxx code, leaves the line's speed as it is.
  speed_t speed = B0;
  if (posix::StandardSpeed(baud, &speed)) {
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
  }
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    error = "tcsetattr: " + ErrnoText(errno);
    return false;
  }
  return true;
}

int RemainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left > INT_MAX ? INT_MAX : left);
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
  Close();
}

bool PseudoTerminal::Fail(const std::string& what) {
  Close();
  error_ = what;
  return false;
}

bool PseudoTerminal::Open(const std::string& linkPath) {
  Close();
  error_.clear();
  fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) return Fail("posix_openpt: " + ErrnoText(errno));
  if (::grantpt(fd_) != 0) return Fail("grantpt: " + ErrnoText(errno));
  if (::unlockpt(fd_) != 0) return Fail("unlockpt: " + ErrnoText(errno));
  char name[PATH_MAX] = {};
  if (::ptsname_r(fd_, name, sizeof name) != 0) return Fail("ptsname_r: " + ErrnoText(errno));
  path_ = name;
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) != 0) {
    return Fail("fcntl: " + ErrnoText(errno));
  }
  slaveFd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slaveFd_ < 0) return Fail(path_ + ": " + ErrnoText(errno));
  std::string error;
  if (!MakeRaw(slaveFd_, 0, error)) return Fail(path_ + ": " + error);
  if (!linkPath.empty() && !SetLink(linkPath)) return Fail(error_);
  return true;
}

bool PseudoTerminal::OpenDevice(const std::string& path, uint32_t baud) {
  Close();
  error_.clear();
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Fail(path + ": " + ErrnoText(errno));
  fd_ = fd;
  path_ = path;
  if (!::isatty(fd_)) return Fail(path + ": not a terminal");
  std::string error;
  if (!MakeRaw(fd_, baud, error)) return Fail(path + ": " + error);
  return true;
}

bool PseudoTerminal::SetLink(const std::string& linkPath) {
  if (!IsOpen() || linkPath.empty()) {
    error_ = "no line to link to";
    return false;
  }
  struct stat st {};
  if (::lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error_ = linkPath + ": exists and is not a symbolic link";
    return false;
  }
  // A new link under a temporary name renamed over the old one: a client never finds the
  // path missing or half made.
  static std::atomic<unsigned> counter{0};
  const std::string temporary =
      linkPath + ".new." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1));
  ::unlink(temporary.c_str());
  if (::symlink(path_.c_str(), temporary.c_str()) != 0) {
    error_ = linkPath + ": " + ErrnoText(errno);
    return false;
  }
  if (::rename(temporary.c_str(), linkPath.c_str()) != 0) {
    error_ = linkPath + ": " + ErrnoText(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  link_ = linkPath;
  return true;
}

LineRead PseudoTerminal::Read(std::string& out, uint32_t timeoutMs, size_t max) {
  if (!IsOpen()) return LineRead::kClosed;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  if (max == 0) return LineRead::kTimeout;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, max < sizeof buffer ? max : sizeof buffer);
    if (n > 0) {
      out.append(buffer, static_cast<size_t>(n));
      return LineRead::kData;
    }
    if (n == 0) return LineRead::kClosed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return LineRead::kClosed;  // EIO: hung up
    struct pollfd p {};
    p.fd = fd_;
    p.events = POLLIN;
    const int ready = ::poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno != EINTR) return LineRead::kClosed;
    if (ready == 0) return LineRead::kTimeout;
    if (ready > 0 && (p.revents & POLLNVAL)) return LineRead::kClosed;
    // POLLIN or POLLHUP/POLLERR: the read above tells which.
  }
}

bool PseudoTerminal::Write(std::string_view bytes, uint32_t timeoutMs) {
  if (!IsOpen()) return false;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const int waitMs = RemainingMs(deadline);
    if (waitMs == 0) return false;
    struct pollfd p {};
    p.fd = fd_;
    p.events = POLLOUT;
    const int ready = ::poll(&p, 1, waitMs);
    if (ready < 0 && errno != EINTR) return false;
    if (ready == 0) return false;
    if (ready > 0 && (p.revents & (POLLERR | POLLNVAL))) return false;
  }
  return true;
}

void PseudoTerminal::DiscardInput() {
  if (IsOpen()) ::tcflush(fd_, TCIFLUSH);
}

bool PseudoTerminal::FillInbound() {
  if (slaveFd_ < 0) return false;
  static const char filler[4096] = {};
  for (;;) {
    const ssize_t n = ::write(slaveFd_, filler, sizeof filler);
    if (n > 0 || (n < 0 && errno == EINTR)) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);  // full
  }
}

void PseudoTerminal::Close() {
  if (!link_.empty()) {
    char target[PATH_MAX] = {};
    const ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<size_t>(n)) == path_) ::unlink(link_.c_str());
    link_.clear();
  }
  CloseFd(slaveFd_);
  CloseFd(fd_);
  path_.clear();
}

}  // namespace vdinv::platform
