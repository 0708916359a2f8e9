#include "platform/qt/display_check.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "support/scoped_environment.h"

namespace vdinv::platform::qt {
namespace {

struct DisplayCase {
  const char* name;
  std::map<std::string, std::string> environment;
  std::set<std::string> servers;  // X displays and Wayland sockets that accept a connection
  std::set<std::string> plugins;
  std::optional<std::string> platform;
};

TEST(DisplayCheckTest, StartsQtOnlyOnAPlatformThatCanStart) {
  const std::set<std::string> basePlugins = {"xcb", "offscreen", "minimal"};
  const std::set<std::string> withWayland = {"xcb", "offscreen", "minimal", "wayland"};
  const DisplayCase cases[] = {
      {"nothing set", {}, {":0", "wayland-0"}, withWayland, std::nullopt},
      {"offscreen has no screen",
       {{"QT_QPA_PLATFORM", "offscreen"}},
       {},
       basePlugins,
       std::nullopt},
      {"minimal has no screen",
       {{"QT_QPA_PLATFORM", "minimal"}, {"DISPLAY", ":0"}},
       {":0"},
       basePlugins,
       std::nullopt},
      {"options kept",
       {{"QT_QPA_PLATFORM", "xcb:nograb"}, {"DISPLAY", ":0"}},
       {":0"},
       basePlugins,
       "xcb:nograb"},
      {"xcb asked, no server",
       {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":0"}},
       {},
       basePlugins,
       std::nullopt},
      {"first usable of a list",
       {{"QT_QPA_PLATFORM", "offscreen;xcb"}, {"DISPLAY", ":0"}},
       {":0"},
       basePlugins,
       "xcb"},
      {"unknown platform", {{"QT_QPA_PLATFORM", "eglfs"}}, {}, basePlugins, std::nullopt},
      {"X display answers", {{"DISPLAY", ":0"}}, {":0"}, basePlugins, "xcb"},
      {"X display silent", {{"DISPLAY", ":9"}}, {":0"}, basePlugins, std::nullopt},
      {"empty DISPLAY", {{"DISPLAY", ""}}, {""}, basePlugins, std::nullopt},
      {"X before Wayland",
       {{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-1"}},
       {":0", "wayland-1"},
       withWayland,
       "xcb"},
      {"Wayland answers",
       {{"WAYLAND_DISPLAY", "wayland-1"}},
       {"wayland-1"},
       withWayland,
       "wayland"},
      {"Wayland without its plugin",
       {{"WAYLAND_DISPLAY", "wayland-1"}},
       {"wayland-1"},
       basePlugins,
       std::nullopt},
  };
  for (const DisplayCase& c : cases) {
    DisplayProbes probes;
    probes.environment = [&c](const char* name) -> std::optional<std::string> {
      auto found = c.environment.find(name);
      if (found == c.environment.end()) return std::nullopt;
      return found->second;
    };
    probes.x11Connectable = [&c](const std::string& d) { return c.servers.count(d) != 0; };
    probes.waylandConnectable = [&c](const std::string& s) { return c.servers.count(s) != 0; };
    probes.pluginInstalled = [&c](const std::string& p) { return c.plugins.count(p) != 0; };
    EXPECT_EQ(UsablePlatform(probes), c.platform) << c.name;
  }
}

// An X display that takes connections and never answers them, as a frozen server does: a
// listening socket in the abstract namespace where libxcb looks for display :N first.
class SilentXServer {
 public:
  SilentXServer() {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    for (int number = 4000 + getpid() % 4000; fd_ >= 0 && number < 9000; number += 97) {
      const std::string name = "/tmp/.X11-unix/X" + std::to_string(number);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::memcpy(address.sun_path + 1, name.data(), name.size());  // sun_path[0] == 0: abstract
      const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
      if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd_, 8) == 0) {
        display_ = ":" + std::to_string(number);
        return;
      }
    }
  }
  ~SilentXServer() { Close(); }
  // Resets the connections waiting, as a server that goes away does.
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  SilentXServer(const SilentXServer&) = delete;
  SilentXServer& operator=(const SilentXServer&) = delete;
  const std::string& Display() const { return display_; }

 private:
  int fd_ = -1;
  std::string display_;
};

size_t ThreadsOfProcess() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<size_t>(std::distance(begin(tasks), end(tasks)));
}

// The check gives up on a silent X display at its limit, by default and with xcb asked for by
// name; while the first attempt still hangs, later checks answer at once without starting another
// thread, and that thread ends once the server goes away.
TEST(DisplayCheckTest, AnXDisplayThatNeverAnswersIsUnusableOnceTheLimitIsOver) {
  using namespace std::chrono_literals;
  SilentXServer server;
  ASSERT_FALSE(server.Display().empty());
  const DisplayProbes probes = SystemDisplayProbes(100ms);
  if (!probes.pluginInstalled("xcb")) GTEST_SKIP() << "Qt's X11 platform plugin is missing";
  test::ScopedEnvironment display("DISPLAY", server.Display().c_str());
  test::ScopedEnvironment noWayland("WAYLAND_DISPLAY", nullptr);
  size_t threads = 0;  // while the first attempt hangs
  for (const char* platform : {static_cast<const char*>(nullptr), "xcb", "xcb"}) {
    test::ScopedEnvironment chosen("QT_QPA_PLATFORM", platform);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(UsablePlatform(probes), std::nullopt);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 1s);
    if (threads == 0) {
      EXPECT_GE(took, 100ms);  // the server took the connection: the attempt had its time
      threads = ThreadsOfProcess();
    }
    EXPECT_EQ(ThreadsOfProcess(), threads);
  }
  server.Close();
  for (int i = 0; i < 5000 && ThreadsOfProcess() >= threads; ++i) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(ThreadsOfProcess(), threads - 1);
  // A new attempt (refused at once) now starts, which orders the old thread's end before the end
  // of the process (libXau frees what the old thread used when the process ends).
  EXPECT_FALSE(X11Answers(server.Display(), 100ms));
}

}  // namespace
}  // namespace vdinv::platform::qt
