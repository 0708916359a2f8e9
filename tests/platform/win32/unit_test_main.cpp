// The unit suite's entry point on Windows. The tests run on a thread of their own, and the
// program returns only once the threads it started itself have ended (at most
// kOtherThreadsMs). GoogleTest watches every thread that gets a thread-local value of its own
// (a SCOPED_TRACE, a failure) with a thread that waits for the watched one to end. Were the
// tests run on the main thread, its watcher would still be waiting when the process exits, and
// Wine, ending a thread blocked in a wait while the process exits, now and then crashes the
// whole process after every test has passed. The watcher of the tests' thread ends with it.
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace {

constexpr ULONGLONG kOtherThreadsMs = 5000;

// Whether the thread starts in this program's own image: a thread GoogleTest started with
// CreateThread. Threads of the system's libraries (a file dialog leaves some running) and the
// runtime's start of std::thread lie outside it.
bool StartsInProgram(HANDLE thread) {
  const auto base = reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  PVOID start = nullptr;
  if (NtQueryInformationThread(thread, ThreadQuerySetWin32StartAddress, &start, sizeof start,
                               nullptr) != 0) {
    return false;
  }
  const auto address = reinterpret_cast<uintptr_t>(start);
  return address >= base && address - base < nt->OptionalHeader.SizeOfImage;
}

// The threads of this process other than the calling one, as the system lists them now.
std::vector<DWORD> OtherThreads() {
  std::vector<DWORD> ids;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId() &&
        entry.th32ThreadID != GetCurrentThreadId()) {
      ids.push_back(entry.th32ThreadID);
    }
  }
  CloseHandle(snapshot);
  return ids;
}

// Waits until no thread that the program started itself is running, or the deadline (a tick
// count) has passed. A thread the list still shows after it has ended counts as ended.
void WaitForProgramThreads(ULONGLONG deadline) {
  for (bool running = true; running && GetTickCount64() < deadline;) {
    running = false;
    for (const DWORD id : OtherThreads()) {
      const HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id);
      if (thread == nullptr) continue;  // gone meanwhile
      if (StartsInProgram(thread) && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        running = true;
        const ULONGLONG now = GetTickCount64();
        WaitForSingleObject(thread, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
      }
      CloseHandle(thread);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  int result = 1;
  std::thread tests([&] {
    testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  });
  tests.join();
  WaitForProgramThreads(GetTickCount64() + kOtherThreadsMs);
  return result;
}
