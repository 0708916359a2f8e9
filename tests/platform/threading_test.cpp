#include "platform/threading.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace vdinv::platform {
namespace {

std::atomic<int> g_destroyed{0};
std::atomic<void*> g_lastDestroyed{nullptr};

void CountingDestructor(void* value) {
  g_lastDestroyed = value;
  ++g_destroyed;
}

class PlatformThreadSlot : public ::testing::Test {
 protected:
  void SetUp() override {
    g_destroyed = 0;
    g_lastDestroyed = nullptr;
  }
};

TEST_F(PlatformThreadSlot, EachThreadHasItsOwnValue) {
  ThreadSlot slot(CountingDestructor);
  ASSERT_TRUE(slot.Valid());
  EXPECT_EQ(slot.Get(), nullptr);
  int mine = 0;
  slot.Set(&mine);
  void* seenInThread = &mine;
  std::thread([&] { seenInThread = slot.Get(); }).join();
  EXPECT_EQ(seenInThread, nullptr);
  EXPECT_EQ(slot.Get(), &mine);
  slot.Set(nullptr);
}

TEST_F(PlatformThreadSlot, DestructorRunsWhenTheThreadEnds) {
  ThreadSlot slot(CountingDestructor);
  int value = 0;
  std::thread([&] { slot.Set(&value); }).join();
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_EQ(g_lastDestroyed, &value);
  std::thread([&] { slot.Get(); }).join();  // nothing set: no call
  EXPECT_EQ(g_destroyed, 1);
  std::thread([&] {
    slot.Set(&value);
    slot.Set(nullptr);
  }).join();
  EXPECT_EQ(g_destroyed, 1);
}

TEST_F(PlatformThreadSlot, DestroyingTheSlotDestroysTheCallersValueOnly) {
  int mine = 0;
  {
    ThreadSlot slot(CountingDestructor);
    slot.Set(&mine);
  }
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_EQ(g_lastDestroyed, &mine);
  {
    ThreadSlot slot(CountingDestructor);  // nothing set by this thread
  }
  EXPECT_EQ(g_destroyed, 1);
}

TEST_F(PlatformThreadSlot, ThreadsEndingAfterTheSlotIsGoneAreLeftAlone) {
  int other = 0;
  std::atomic<bool> set{false}, release{false};
  std::thread thread;
  {
    ThreadSlot slot(CountingDestructor);
    thread = std::thread([&] {
      slot.Set(&other);
      set = true;
      while (!release) std::this_thread::yield();
    });
    while (!set) std::this_thread::yield();
  }
  release = true;
  thread.join();
  EXPECT_EQ(g_destroyed, 0);
}

TEST(PlatformThreadEvent, SignalledStartIsTakenByTheFirstWait) {
  AutoResetEvent event(true);
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));
}

TEST(PlatformThreadEvent, SignalWithoutWaiterStaysUntilTaken) {
  AutoResetEvent event(false);
  EXPECT_FALSE(event.Wait(0));
  event.Signal();
  event.Signal();  // does not count twice
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));
}

TEST(PlatformThreadEvent, WaitTimesOut) {
  AutoResetEvent event(false);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(event.Wait(20));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(PlatformThreadEvent, OneWaiterReleasedPerSignal) {
  AutoResetEvent event(false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i) {
    waiters.emplace_back([&] {
      if (event.Wait(5000)) ++released;
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  event.Signal();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (released == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(released, 1);
  event.Signal();
  for (std::thread& waiter : waiters) waiter.join();
  EXPECT_EQ(released, 2);
  EXPECT_FALSE(event.Wait(0));
}

TEST(PlatformThreadEvent, WaiterIsReleasedBySignalFromAnotherThread) {
  AutoResetEvent event(false);
  std::thread signaller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.Signal();
  });
  EXPECT_TRUE(event.Wait(5000));
  signaller.join();
}

// A pipe whose ends are closed when the test ends.
struct Pipe {
  Pipe() { EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0); }
  ~Pipe() {
    for (int fd : fds) {
      if (fd >= 0) ::close(fd);
    }
  }
  int fds[2] = {-1, -1};
};

// A module thread runs its body once, is waited for by Join (and by its destructor), and an
// exception leaving the body ends the thread, not the process.
TEST(PlatformModuleThread, RunsOnceJoinsAndSurvivesAThrowingBody) {
  std::atomic<int> runs{0};
  AutoResetEvent release(false);
  {
    ModuleThread thread;
    ASSERT_TRUE(thread.Start([&] {
      release.Wait(5000);
      ++runs;
    }));
    EXPECT_FALSE(thread.Start([&] { ++runs; }));  // one thread per object at a time
    release.Signal();
    thread.Join();
    EXPECT_EQ(runs, 1);
    ASSERT_TRUE(thread.Start([&] {
      ++runs;
      throw 1;
    }));
  }
  EXPECT_EQ(runs, 2);
}

TEST(PlatformThreadFaultEvent, WritesOneToAPipe) {
  Pipe pipe;
  SignalFaultEvent(pipe.fds[1]);
  uint64_t value = 0;
  ASSERT_EQ(::read(pipe.fds[0], &value, sizeof value), static_cast<ssize_t>(sizeof value));
  EXPECT_EQ(value, 1U);
}

TEST(PlatformThreadFaultEvent, AddsOneToAnEventFd) {
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  ASSERT_GE(fd, 0);
  SignalFaultEvent(fd);
  SignalFaultEvent(fd);
  uint64_t value = 0;
  ASSERT_EQ(::read(fd, &value, sizeof value), static_cast<ssize_t>(sizeof value));
  EXPECT_EQ(value, 2U);
  ::close(fd);
}

TEST(PlatformThreadFaultEvent, IgnoresZeroNegativeAndInvalidHandles) {
  SignalFaultEvent(0);
  SignalFaultEvent(-1);
  SignalFaultEvent(999999);
  Pipe pipe;
  const int closed = pipe.fds[1];
  ::close(pipe.fds[1]);
  pipe.fds[1] = -1;
  SignalFaultEvent(closed);
  SUCCEED();
}

TEST(PlatformThreadFaultEvent, NeverBlocksOnAFullPipe) {
  for (bool blocking : {false, true}) {
    Pipe pipe;
    ASSERT_EQ(::fcntl(pipe.fds[1], F_SETFL, O_NONBLOCK), 0);
    char chunk[4096] = {};
    while (::write(pipe.fds[1], chunk, sizeof chunk) > 0) {
    }
    while (::write(pipe.fds[1], chunk, 1) > 0) {
    }
    if (blocking) {
      ASSERT_EQ(::fcntl(pipe.fds[1], F_SETFL, 0), 0);
    }
    const auto start = std::chrono::steady_clock::now();
    SignalFaultEvent(pipe.fds[1]);  // must return, the text is simply not written
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
}

TEST(PlatformThreadFaultEvent, PipeWithoutReaderDoesNotRaiseSigpipe) {
  Pipe pipe;
  ::close(pipe.fds[0]);
  pipe.fds[0] = -1;
  SignalFaultEvent(pipe.fds[1]);  // SIGPIPE would end the test program
  SUCCEED();
}

}  // namespace
}  // namespace vdinv::platform
