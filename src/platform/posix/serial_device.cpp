// Serial devices on POSIX: a terminal opened non-blocking and exclusively (TIOCEXCL against
// other openers, flock() against root and this process's own openers, which TIOCEXCL lets
// through), raw mode, and poll() for the bounded reads and writes. A write takes what the
// terminal's output buffer has room for; the kernel queues it until it is sent or flushed.
//
// Line settings and the terminal flags they become; anything else is refused with
// kUnsupported and the terminal keeps the settings it had:
//   rate       110 ... 115200 of the Bxxx codes; 14400, 56000, 128000, 256000 through
//              Linux's arbitrary-rate request (refused when the device settles more than
//              2 % away)
//   data bits  5, 6, 7, 8: CS5 ... CS8; 4 is refused (no terminal has it)
//   stop bits  one: CSTOPB clear; two: CSTOPB; one and a half is refused (the terminal
//              interface has no such setting, and two instead would send another frame)
//   parity     none: PARENB clear; odd: PARENB|PARODD; even: PARENB; mark:
//              PARENB|PARODD|CMSPAR; space: PARENB|CMSPAR
// A frame or rate the device does not keep (tcgetattr reads back something else) is refused,
// too.
#include "platform/serial_device.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "platform/posix/serial_custom_rate.h"
#include "platform/posix/standard_speed.h"
#include "platform/text.h"

namespace vdinv::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

tcflag_t SizeFlag(uint8_t dataBits) {
  switch (dataBits) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

constexpr tcflag_t kFrameFlags = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR;

tcflag_t FrameFlags(const SerialSettings& s) {
  tcflag_t flags = SizeFlag(s.dataBits);
  if (s.stopBits == SerialStopBits::kTwo) flags |= CSTOPB;
  switch (s.parity) {
    case SerialParity::kNone:
      break;
    case SerialParity::kOdd:
      flags |= PARENB | PARODD;
      break;
    case SerialParity::kEven:
      flags |= PARENB;
      break;
    case SerialParity::kMark:
      flags |= PARENB | PARODD | CMSPAR;
      break;
    case SerialParity::kSpace:
      flags |= PARENB | CMSPAR;
      break;
  }
  return flags;
}

int RemainingMs(SteadyClock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The poll() events of fd within timeoutMs; 0 when none came, -1 when poll itself failed.
int PollFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  const int rc = ::poll(&p, 1, timeoutMs);
  if (rc < 0) return errno == EINTR ? 0 : -1;
  return rc == 0 ? 0 : p.revents;
}

class PosixSerialDevice final : public ISerialDevice {
 public:
  PosixSerialDevice() {
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
  }
  ~PosixSerialDevice() override {
    Close();
    for (int fd : wake_) {
      if (fd >= 0) ::close(fd);
    }
  }
  PosixSerialDevice(const PosixSerialDevice&) = delete;
  PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

  SerialStatus Open(const std::string& path) override {
    Close();
    if (path.empty()) return SerialStatus::kNotFound;
    int fd;
    do {
      fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return OpenError(errno);
    if (!::isatty(fd)) {
      ::close(fd);
      return SerialStatus::kNotSerial;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      ::close(fd);
      return err == EWOULDBLOCK ? SerialStatus::kBusy : SerialStatus::kFailed;
    }
    termios t{};
    if (::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &t) != 0) {
      ::close(fd);
      return SerialStatus::kFailed;
    }
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;  // with O_NONBLOCK: no data reads as EAGAIN, a read of 0 is a hang-up
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
      ::ioctl(fd, TIOCNXCL);
      ::close(fd);
      return SerialStatus::kFailed;
    }
    fd_ = fd;
    return SerialStatus::kOk;
  }

  void Close() override {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // releases the flock() lock too
    fd_ = -1;
  }

  bool IsOpen() const override { return fd_ >= 0; }

  SerialStatus Configure(const SerialSettings& s) override {
    if (fd_ < 0) return SerialStatus::kNotOpen;
    if (s.dataBits < 5 || s.dataBits > 8 || s.baudRate == 0 ||
        s.stopBits == SerialStopBits::kOneAndHalf) {
      return SerialStatus::kUnsupported;
    }
    termios old{};
    if (::tcgetattr(fd_, &old) != 0) return SerialStatus::kFailed;
    termios t = old;
    const tcflag_t frame = FrameFlags(s);
    t.c_cflag = (t.c_cflag & ~kFrameFlags) | frame | CLOCAL | CREAD;
    t.c_iflag &= ~(INPCK | IGNPAR | PARMRK | ISTRIP | IXON | IXOFF | IXANY);
    if (s.parityCheck) t.c_iflag |= INPCK;
    t.c_cc[VSTART] = s.xonChar;
    t.c_cc[VSTOP] = s.xoffChar;
    speed_t code = B0;
    const bool standard = posix::StandardSpeed(s.baudRate, &code);
    if (standard && (::cfsetispeed(&t, code) != 0 || ::cfsetospeed(&t, code) != 0)) {
      return SerialStatus::kUnsupported;
    }
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) {
      const int err = errno;
      ::tcsetattr(fd_, TCSANOW, &old);
      return err == EINVAL ? SerialStatus::kUnsupported : SerialStatus::kFailed;
    }
    // tcsetattr succeeds when any part was applied: check the frame and the rate took.
    termios now{};
    bool applied = ::tcgetattr(fd_, &now) == 0 && (now.c_cflag & kFrameFlags) == frame &&
                   (!standard || ::cfgetospeed(&now) == code);
    if (applied && !standard) applied = posix::SetCustomBaudRate(fd_, s.baudRate);
    if (!applied) {
      ::tcsetattr(fd_, TCSANOW, &old);
      return SerialStatus::kUnsupported;
    }
    return SerialStatus::kOk;
  }

  bool SetQueueSizes(uint32_t, uint32_t) override {
    // The kernel's terminal buffers have a fixed size; there is nothing to ask for.
    return fd_ >= 0;
  }

  bool PurgeInput() override { return fd_ >= 0 && ::tcflush(fd_, TCIFLUSH) == 0; }

  bool PurgeOutput() override { return fd_ >= 0 && ::tcflush(fd_, TCOFLUSH) == 0; }

  int32_t BytesWaiting() override {
    if (fd_ < 0) return -1;
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) return -1;
    if (waiting > 0) return waiting;
    // Nothing waiting: tell an idle line from one whose device went away.
    const int events = PollFor(fd_, POLLIN, 0);
    if (events < 0 || (events & (POLLERR | POLLNVAL | POLLHUP)) != 0) return -1;
    return 0;
  }

  int32_t Read(uint8_t* buffer, uint32_t max, uint32_t timeoutMs) override {
    if (fd_ < 0) return -1;
    if (max == 0) return 0;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, max);
      if (n > 0) return static_cast<int32_t>(n);
      if (n == 0) return -1;  // hang-up
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
      const int left = RemainingMs(deadline);
      if (left == 0) return 0;
      const int events = PollFor(fd_, POLLIN, left);
      if (events < 0 || (events & (POLLERR | POLLNVAL)) != 0) return -1;
      if ((events & POLLHUP) != 0 && (events & POLLIN) == 0) return -1;
    }
  }

  int32_t Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) override {
    if (fd_ < 0) return -1;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    uint32_t sent = 0;
    while (sent < count) {
      const ssize_t n = ::write(fd_, bytes + sent, count - sent);
      if (n > 0) {
        sent += static_cast<uint32_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return -1;
      // The output is full: what it took so far is the result once the time is up.
      const int left = RemainingMs(deadline);
      if (left == 0) break;
      const int events = PollFor(fd_, POLLOUT, left);
      if (events < 0 || (events & (POLLERR | POLLNVAL | POLLHUP)) != 0) return -1;
    }
    return static_cast<int32_t>(sent);
  }

  int32_t WaitForInput(uint32_t timeoutMs) override {
    if (fd_ < 0) return -1;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      pollfd p[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      // Without a wake pipe (none could be made) the wait still ends at its time-out.
      const nfds_t count = wake_[0] >= 0 ? 2 : 1;
      const int rc = ::poll(p, count, RemainingMs(deadline));
      if (rc < 0 && errno != EINTR) return -1;
      if (rc > 0 && (p[1].revents & POLLIN) != 0) {
        DrainWake();
        return 0;
      }
      if (rc > 0) {
        const short events = p[0].revents;
        if ((events & (POLLERR | POLLNVAL)) != 0) return -1;
        // A hang-up reads as input too: only bytes really waiting count.
        if ((events & (POLLIN | POLLHUP)) != 0) {
          const int32_t waiting = BytesWaiting();
          if (waiting != 0) return waiting > 0 ? 1 : -1;
        }
      }
      if (RemainingMs(deadline) == 0) return 0;
    }
  }

  void Wake() override {
    if (wake_[1] < 0) return;
    const uint8_t byte = 1;
    // A full pipe already holds a wake.
    while (::write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
    }
  }

 private:
  void DrainWake() {
    uint8_t bytes[64];
    while (::read(wake_[0], bytes, sizeof bytes) > 0) {
    }
  }

  static SerialStatus OpenError(int err) {
    switch (err) {
      case ENOENT:
      case ENODEV:
      case ENXIO:
      case ENOTDIR:
        return SerialStatus::kNotFound;
      case EBUSY:
      case EAGAIN:
        return SerialStatus::kBusy;
      default:
        return SerialStatus::kFailed;
    }
  }

  int fd_ = -1;
  // The wake pipe: read end, write end (non-blocking both); -1 when it could not be made.
  int wake_[2] = {-1, -1};
};

}  // namespace

std::unique_ptr<ISerialDevice> CreateSerialDevice() {
  return std::make_unique<PosixSerialDevice>();
}

std::string SerialPortPath(int comNumber) {
  if (comNumber < 1 || comNumber > 16) return {};
  const std::string name = "VD_INV_COM" + std::to_string(comNumber);
  std::string value = GetEnvironment(name.c_str());
  if (!value.empty()) return value;
  return "/dev/ttyS" + std::to_string(comNumber - 1);
}

}  // namespace vdinv::platform
