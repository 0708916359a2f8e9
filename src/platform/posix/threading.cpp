// Thread-local slot on a pthread key (its destructor does not pin the module the way a C++
// thread_local with a destructor would, so the library can still be unloaded with dlclose),
// the auto-reset event, and the host's fault event.
#include "platform/threading.h"

#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <thread>

namespace vdinv::platform {

static_assert(sizeof(pthread_key_t) <= sizeof(unsigned), "pthread_key_t must fit the slot's key");

ThreadSlot::ThreadSlot(Destructor destructor) : destructor_(destructor) {
  pthread_key_t key{};
  if (pthread_key_create(&key, destructor_) == 0) {
    key_ = static_cast<unsigned>(key);
    valid_ = true;
  }
}

ThreadSlot::~ThreadSlot() {
  if (!valid_) return;
  const auto key = static_cast<pthread_key_t>(key_);
  void* value = pthread_getspecific(key);
  if (value != nullptr) {
    pthread_setspecific(key, nullptr);
    if (destructor_ != nullptr) destructor_(value);
  }
  pthread_key_delete(key);  // other threads' values are left alone, their destructor never runs
  valid_ = false;
}

void* ThreadSlot::Get() const {
  return valid_ ? pthread_getspecific(static_cast<pthread_key_t>(key_)) : nullptr;
}

void ThreadSlot::Set(void* value) {
  if (valid_) pthread_setspecific(static_cast<pthread_key_t>(key_), value);
}

void SignalFaultEvent(int32_t handle) {
  if (handle <= 0) return;
  // Never block: only write when the descriptor takes 8 bytes now (a pipe with room for PIPE_BUF
  // bytes or an eventfd below its maximum); a pipe without a reader is skipped.
  pollfd pfd{handle, POLLOUT, 0};
  int ready;
  do {
    ready = poll(&pfd, 1, 0);
  } while (ready < 0 && errno == EINTR);
  if (ready != 1 || (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 ||
      (pfd.revents & POLLOUT) == 0) {
    return;
  }
  // A reader that goes away in between must not kill the host with SIGPIPE: block it for this
  // thread and take a SIGPIPE this write raised.
  sigset_t pipeSet, oldSet, pending;
  sigemptyset(&pipeSet);
  sigaddset(&pipeSet, SIGPIPE);
  const bool masked = pthread_sigmask(SIG_BLOCK, &pipeSet, &oldSet) == 0;
  sigemptyset(&pending);
  const bool alreadyPending = masked && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE);
  const uint64_t one = 1;
  ssize_t written;
  do {
    written = write(handle, &one, sizeof one);
  } while (written < 0 && errno == EINTR);
  if (written < 0 && errno == EPIPE && masked && !alreadyPending) {
    const timespec zero{0, 0};
    sigtimedwait(&pipeSet, nullptr, &zero);
  }
  if (masked) pthread_sigmask(SIG_SETMASK, &oldSet, nullptr);
}

struct ModuleThread::State {
  std::thread thread;
};

ModuleThread::ModuleThread() : state_(std::make_unique<State>()) {}

ModuleThread::~ModuleThread() {
  Join();
}

bool ModuleThread::Start(std::function<void()> body) {
  if (state_->thread.joinable()) return false;
  try {
    state_->thread = std::thread([body = std::move(body)] {
      try {
        body();
      } catch (...) {
      }
    });
  } catch (...) {
    return false;
  }
  return true;
}

void ModuleThread::Join() {
  if (!state_->thread.joinable()) return;
  // The body's copy belongs to the thread, so a thread let go needs nothing of this object.
  if (state_->thread.get_id() == std::this_thread::get_id()) {
    state_->thread.detach();
  } else {
    state_->thread.join();
  }
}

namespace {
double ClockSeconds(clockid_t clock) {
  timespec t{};
  if (clock_gettime(clock, &t) != 0) return 0;
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}
}  // namespace

double ThreadCpuSeconds() {
  return ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
}

double ProcessCpuSeconds() {
  return ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

bool ModuleEndMayWait() {
  return true;
}

bool ProcessEnding() {
  return false;
}

}  // namespace vdinv::platform
