// Thread-local slot on a TLS index and the host's fault event on Windows. A TLS index has no
// destructor of its own: a TLS callback, which the loader calls as each thread ends (in a
// program and in a module alike), destroys the ending thread's value of every live slot. The
// loader forgets the callback when the module is unloaded, so unlike a thread_local
// destructor registered with the runtime nothing is left to call into an unloaded module.
#include "platform/threading.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <vector>

namespace vdinv::platform {
namespace {

struct LiveSlot {
  DWORD index;
  ThreadSlot::Destructor destructor;
};

// A critical section rather than a std::mutex: it is taken under the loader lock in the TLS
// callback and needs no initialisation that could fail there.
struct SlotRegistry {
  CRITICAL_SECTION lock;
  std::vector<LiveSlot> slots;
  SlotRegistry() { InitializeCriticalSection(&lock); }
};

SlotRegistry& Registry() {
  // Never destroyed: a thread may end while static objects are being torn down.
  alignas(SlotRegistry) static unsigned char storage[sizeof(SlotRegistry)];
  static SlotRegistry* const registry = new (storage) SlotRegistry();
  return *registry;
}

// Destroys the ending thread's value of every live slot; never throws.
void RunThreadSlotDestructors() {
  // The values are taken under the lock and destroyed after it, so that a destructor may
  // create or destroy slots itself.
  std::vector<std::pair<void*, ThreadSlot::Destructor>> owned;
  SlotRegistry& r = Registry();
  EnterCriticalSection(&r.lock);
  try {
    for (const LiveSlot& slot : r.slots) {
      void* value = TlsGetValue(slot.index);
      if (value == nullptr || slot.destructor == nullptr) continue;
      TlsSetValue(slot.index, nullptr);
      owned.emplace_back(value, slot.destructor);
    }
  } catch (...) {  // std::bad_alloc: the rest stays for the process's end
  }
  LeaveCriticalSection(&r.lock);
  for (const auto& [value, destructor] : owned) {
    try {
      destructor(value);
    } catch (...) {  // nothing may leave the loader's callback
    }
  }
}

void NTAPI OnThreadEvent(PVOID /*module*/, DWORD reason, PVOID /*reserved*/) {
  if (reason == DLL_THREAD_DETACH) RunThreadSlotDestructors();
}

}  // namespace
}  // namespace vdinv::platform

// The loader calls the entries of the .CRT$XL* sections (between the runtime's own start and
// end markers) for every thread that starts and ends.
extern "C" __attribute__((section(".CRT$XLV"), used))
const PIMAGE_TLS_CALLBACK vdinv_thread_slot_tls_callback = vdinv::platform::OnThreadEvent;

namespace vdinv::platform {

ThreadSlot::ThreadSlot(Destructor destructor) : destructor_(destructor) {
  const DWORD index = TlsAlloc();
  if (index == TLS_OUT_OF_INDEXES) return;
  try {
    SlotRegistry& r = Registry();
    EnterCriticalSection(&r.lock);
    r.slots.push_back({index, destructor_});
    LeaveCriticalSection(&r.lock);
  } catch (...) {  // std::bad_alloc
    LeaveCriticalSection(&Registry().lock);
    TlsFree(index);
    return;
  }
  key_ = index;
  valid_ = true;
}

ThreadSlot::~ThreadSlot() {
  if (!valid_) return;
  const DWORD index = key_;
  SlotRegistry& r = Registry();
  EnterCriticalSection(&r.lock);
  r.slots.erase(std::remove_if(r.slots.begin(), r.slots.end(),
                               [index](const LiveSlot& s) { return s.index == index; }),
                r.slots.end());
  LeaveCriticalSection(&r.lock);
  void* value = TlsGetValue(index);
  if (value != nullptr) {
    TlsSetValue(index, nullptr);
    if (destructor_ != nullptr) destructor_(value);
  }
  TlsFree(index);  // other threads' values are left alone, their destructor never runs
  valid_ = false;
}

void* ThreadSlot::Get() const {
  return valid_ ? TlsGetValue(key_) : nullptr;
}

void ThreadSlot::Set(void* value) {
  if (valid_) TlsSetValue(key_, value);
}

void SignalFaultEvent(int32_t handle) {
  // The host hands its event HANDLE as a 32-bit integer; 0 means none. SetEvent never blocks,
  // and a handle that is not an event just fails. On x86_64 this loses nothing: kernel handles
  // have only their low 32 bits significant (so that 32- and 64-bit processes can share them),
  // and widening the integer with its sign, as the cast through intptr_t does, restores the
  // handle exactly. Pseudo-handles such as GetCurrentProcess()'s -1 come back the same way.
  if (handle == 0) return;
  SetEvent(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)));
}

struct ModuleThread::State {
  std::function<void()> body;
  HANDLE handle = nullptr;
  DWORD id = 0;
  HMODULE module = nullptr;
  // Set by the thread itself when it was let go: the state is then the thread's to free.
  bool own = false;
};

namespace {

DWORD WINAPI ModuleThreadEntry(void* argument) {
  auto* state = static_cast<ModuleThread::State*>(argument);
  HMODULE module = state->module;
  try {
    state->body();
  } catch (...) {
  }
  if (state->own) delete state;
  ::FreeLibraryAndExitThread(module, 0);
}

}  // namespace

ModuleThread::ModuleThread() : state_(std::make_unique<State>()) {}

ModuleThread::~ModuleThread() {
  Join();
}

bool ModuleThread::Start(std::function<void()> body) {
  if (!state_ || state_->handle != nullptr) return false;
  state_->body = std::move(body);
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&ModuleThreadEntry), &state_->module)) {
    return false;
  }
  state_->handle = ::CreateThread(nullptr, 0, &ModuleThreadEntry, state_.get(), 0, &state_->id);
  if (state_->handle == nullptr) {
    ::FreeLibrary(state_->module);
    return false;
  }
  return true;
}

void ModuleThread::Join() {
  if (!state_ || state_->handle == nullptr) return;
  if (state_->id == ::GetCurrentThreadId()) {
    // Let go: the thread frees its state after its body and leaves through its module
    // reference, so nothing waits for it.
    ::CloseHandle(state_->handle);
    state_->own = true;
    (void)state_.release();
    return;
  }
  ::WaitForSingleObject(state_->handle, INFINITE);
  ::CloseHandle(state_->handle);
  state_->handle = nullptr;
}

namespace {
// Kernel and user time of a GetThreadTimes or GetProcessTimes answer, in seconds.
double CpuSeconds(const FILETIME& kernel, const FILETIME& user) {
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}
}  // namespace

double ThreadCpuSeconds() {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
  return CpuSeconds(kernel, user);
}

double ProcessCpuSeconds() {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  return CpuSeconds(kernel, user);
}

bool ModuleEndMayWait() {
  return false;
}

namespace {

// ntdll's own answer, true once ExitProcess has begun the modules' detach. Looked up as the
// module is loaded, so that the process's end never enters the loader for it.
using ShutdownQuery = BOOLEAN(NTAPI*)();
const ShutdownQuery g_shutdownInProgress = [] {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll == nullptr ? nullptr
                          : reinterpret_cast<ShutdownQuery>(reinterpret_cast<void (*)()>(
                                ::GetProcAddress(ntdll, "RtlDllShutdownInProgress")));
}();

}  // namespace

bool ProcessEnding() {
  return g_shutdownInProgress != nullptr && g_shutdownInProgress() != 0;
}

}  // namespace vdinv::platform
