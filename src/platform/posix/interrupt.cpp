#include "platform/interrupt.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace vdinv::platform {
namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int signo) {
  if (g_interrupted) {
    // The user asked twice: the orderly shutdown is stuck somewhere, give up at once.
    signal(signo, SIG_DFL);
    raise(signo);
    return;
  }
  g_interrupted = 1;
}

}  // namespace

void InstallInterruptFlag() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a pending sleep ends with EINTR
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

bool Interrupted() {
  return g_interrupted != 0;
}

void SleepMilliseconds(uint32_t ms) {
  struct timespec remaining;
  remaining.tv_sec = static_cast<time_t>(ms / 1000);
  remaining.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (!Interrupted()) {
    struct timespec left;
    if (nanosleep(&remaining, &left) == 0) return;
    if (errno != EINTR) return;
    remaining = left;
  }
}

}  // namespace vdinv::platform
