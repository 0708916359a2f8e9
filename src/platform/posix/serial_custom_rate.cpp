// Arbitrary line rates on Linux: termios2 with BOTHER through TCGETS2/TCSETS2. This file must
// not include <termios.h> (its struct termios clashes with the kernel's).
#include "platform/posix/serial_custom_rate.h"

#include <asm/termbits.h>
#include <errno.h>
#include <sys/ioctl.h>

namespace vdinv::platform::posix {
namespace {

int IoctlRetrying(int fd, unsigned long request, termios2* t) {
  int rc;
  do {
    rc = ::ioctl(fd, request, t);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

}  // namespace

bool SetCustomBaudRate(int fd, uint32_t rate) {
#if defined(TCGETS2) && defined(BOTHER)
  if (rate == 0) return false;
  termios2 t{};
  if (IoctlRetrying(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  if (IoctlRetrying(fd, TCSETS2, &t) != 0) return false;
  termios2 now{};
  if (IoctlRetrying(fd, TCGETS2, &now) != 0) return false;
  const uint64_t got = now.c_ospeed;
  const uint64_t want = rate;
  const uint64_t diff = got > want ? got - want : want - got;
  return diff * 50 <= want;
#else
  (void)fd;
  (void)rate;
  return false;
#endif
}

}  // namespace vdinv::platform::posix
