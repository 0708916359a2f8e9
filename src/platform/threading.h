// The two cross-thread facilities of the driver: a thread-local slot whose value is destroyed
// when its thread ends, and an auto-reset event with a timed wait.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace vdinv::platform {

// One pointer per thread. When a thread whose value is not null ends, the destructor is called
// with that value. Destroying the slot calls the destructor for the calling thread's value only
// (the thread that unloads the library); other threads' values are left alone and their
// destructor is never called afterwards. On POSIX this is a pthread key (not a C++ thread_local
// with a destructor, which would keep the module from being unloaded by dlclose).
class ThreadSlot {
 public:
  using Destructor = void (*)(void*);
  explicit ThreadSlot(Destructor destructor);
  ~ThreadSlot();
  ThreadSlot(const ThreadSlot&) = delete;
  ThreadSlot& operator=(const ThreadSlot&) = delete;

  bool Valid() const { return valid_; }
  void* Get() const;
  void Set(void* value);

 private:
  Destructor destructor_;
  unsigned key_ = 0;
  bool valid_ = false;
};

// Auto-reset event: Wait takes the signal (releasing exactly one waiter per Signal).
class AutoResetEvent {
 public:
  explicit AutoResetEvent(bool signalled) : signalled_(signalled) {}
  // True when the event was signalled within timeoutMs (the signal is then taken); a signal
  // given while nobody waits stays until a Wait takes it. 0xFFFFFFFF (INFINITE) waits forever.
  bool Wait(uint32_t timeoutMs);
  void Signal();

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_;
};

// A thread of the module that keeps the module loaded until it has ended, so that the module
// may be unloaded as soon as Join returns. Windows: the thread holds a reference to the module,
// released by FreeLibraryAndExitThread as it ends, and Join waits for its handle, which is
// signalled once the thread is gone (a runtime's thread would still run the module's code of
// its end after its join). POSIX: an ordinary thread, whose join returns once it has ended.
class ModuleThread {
 public:
  ModuleThread();
  ~ModuleThread();  // joins
  ModuleThread(const ModuleThread&) = delete;
  ModuleThread& operator=(const ModuleThread&) = delete;

  // Runs body on a new thread; false when no thread could be made. An exception leaving body
  // ends the thread.
  bool Start(std::function<void()> body);
  // Waits until the thread has ended; nothing when none runs. Called on the thread itself (its
  // owner destroyed there), it lets the thread go instead: it ends on its own once its body has
  // returned.
  void Join();

  struct State;  // the backend's

 private:
  std::unique_ptr<State> state_;
};

// Whether the module's code of an end may wait for another thread of the module to end: a thread
// slot's destructor as a thread ends, the static objects' destructors as the module is unloaded.
// Not on Windows: there they run under the loader lock (a thread's or the module's detach),
// which every ending thread needs. POSIX runs them as any other code.
bool ModuleEndMayWait();

// True while the process is ending without the module having been unloaded (Windows: ExitProcess,
// which has already ended every other thread, whatever it held). POSIX: never; exit() leaves the
// other threads running while the module's static objects are destroyed.
bool ProcessEnding();

// The processor time the calling thread, or the whole process, has used so far, in seconds
// (user and system).
double ThreadCpuSeconds();
double ProcessCpuSeconds();

// The host's fault event: a file descriptor (eventfd or the write end of a pipe). Signalling
// writes the 8-byte integer 1; 0, negative and invalid descriptors are ignored. It never
// blocks: when the descriptor cannot take the 8 bytes at once (a full pipe or eventfd) or a
// pipe has no reader, nothing is written (and no SIGPIPE is raised).
void SignalFaultEvent(int32_t handle);

}  // namespace vdinv::platform
