#include "platform/qt/display_check.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace vdinv::platform::qt {
namespace {

bool Probe(const std::function<bool(const std::string&)>& probe, const std::string& argument) {
  return probe && probe(argument);
}

std::optional<std::string> Variable(const DisplayProbes& probes, const char* name) {
  if (!probes.environment) return std::nullopt;
  std::optional<std::string> value = probes.environment(name);
  if (value && value->empty()) return std::nullopt;
  return value;
}

bool X11Usable(const DisplayProbes& probes) {
  const std::optional<std::string> display = Variable(probes, "DISPLAY");
  return display && Probe(probes.pluginInstalled, "xcb") && Probe(probes.x11Connectable, *display);
}

bool WaylandUsable(const DisplayProbes& probes) {
  const std::string socket = Variable(probes, "WAYLAND_DISPLAY").value_or("wayland-0");
  return Probe(probes.pluginInstalled, "wayland") && Probe(probes.waylandConnectable, socket);
}

// One entry of QT_QPA_PLATFORM: "name" or "name:options". Offscreen and minimal have no screen:
// a modal window there is seen by nobody and would hold the host for ever, so they count only for
// a host that runs its own application on them (which is used as it is, without this check).
bool EntryUsable(const DisplayProbes& probes, std::string_view entry) {
  const std::string name(entry.substr(0, entry.find(':')));
  if (name == "xcb") return X11Usable(probes);
  if (name.rfind("wayland", 0) == 0) {
    const std::string socket = Variable(probes, "WAYLAND_DISPLAY").value_or("wayland-0");
    return Probe(probes.pluginInstalled, name) && Probe(probes.waylandConnectable, socket);
  }
  return false;  // a platform whose start cannot be checked beforehand
}

// libxcb, which Qt's own X11 plugin uses; loaded here (once, and never unloaded) so that the
// module does not depend on it when Qt runs without X11.
struct Xcb {
  void* (*connect)(const char*, int*) = nullptr;
  int (*hasError)(void*) = nullptr;
  void (*disconnect)(void*) = nullptr;
};

const Xcb* LoadXcb() {
  static const Xcb xcb = [] {
    Xcb loaded;
    void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return loaded;
    loaded.connect = reinterpret_cast<decltype(loaded.connect)>(dlsym(library, "xcb_connect"));
    loaded.hasError =
        reinterpret_cast<decltype(loaded.hasError)>(dlsym(library, "xcb_connection_has_error"));
    loaded.disconnect =
        reinterpret_cast<decltype(loaded.disconnect)>(dlsym(library, "xcb_disconnect"));
    return loaded;
  }();
  const bool complete = xcb.connect && xcb.hasError && xcb.disconnect;
  return complete ? &xcb : nullptr;
}

// The answer of one connection attempt, shared by the attempt's thread and the caller that waits
// for it; whichever lets go last frees it.
struct X11Attempt {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool usable = false;
};

// Set while an attempt's thread runs. Trivially destructible, so a thread still waiting for its
// server when the process ends never touches a destroyed object.
std::atomic<bool> g_attemptRunning{false};

bool UnixSocketConnects(const std::string& socketName) {
  std::string path = socketName;
  if (path.empty() || path.front() != '/') {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir == nullptr || *runtimeDir == '\0') return false;
    path = std::string(runtimeDir) + "/" + path;
  }
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  close(fd);
  return connected;
}

QStringList PlatformPluginDirs() {
  QStringList dirs;
  if (const char* own = std::getenv("QT_QPA_PLATFORM_PLUGIN_PATH"); own != nullptr && *own) {
    dirs << QString::fromLocal8Bit(own);
  }
  if (const char* paths = std::getenv("QT_PLUGIN_PATH"); paths != nullptr && *paths) {
    for (const QString& dir : QString::fromLocal8Bit(paths).split(':', Qt::SkipEmptyParts)) {
      dirs << dir + "/platforms";
    }
  }
  dirs << QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
  return dirs;
}

bool PlatformPluginInstalled(const std::string& platform) {
  // Plugin files are named libq<platform>.so; the Wayland ones libqwayland-<variant>.so.
  const QString pattern =
      QString::fromStdString("libq" + platform) + (platform == "wayland" ? "-*.so" : ".so");
  for (const QString& dir : PlatformPluginDirs()) {
    if (!QDir(dir).entryList({pattern}, QDir::Files).isEmpty()) return true;
  }
  return false;
}

}  // namespace

// A frozen X server, or a forwarded display whose far end is gone, accepts the connection and
// never sends the connection set-up, and xcb_connect waits for it without a limit. So the
// connection is made on a thread of its own and its answer awaited with a deadline. libxcb stays
// the judge (the same reading of DISPLAY, the same authority file lookup as Qt's plugin), where a
// set-up handshake of our own would have to repeat both and could call a working display
// unusable. libxcb offers no way to abandon a connection in progress, so a thread that misses the
// deadline is left to end by itself: it owns all it touches (a copy of the name, the shared
// answer, libxcb that is never unloaded, in a module that stays loaded), and no new attempt
// starts while it waits, as a display that has not answered is not usable to the next check
// either. At most one such thread exists in the process.
bool X11Answers(const std::string& display, std::chrono::milliseconds limit) {
  const Xcb* xcb = LoadXcb();
  if (xcb == nullptr || g_attemptRunning.exchange(true)) return false;
  auto attempt = std::make_shared<X11Attempt>();
  try {
    std::thread([xcb, display, attempt] {
      void* connection = xcb->connect(display.c_str(), nullptr);
      const bool usable = connection != nullptr && xcb->hasError(connection) == 0;
      if (connection != nullptr) xcb->disconnect(connection);  // also one in the error state
      g_attemptRunning = false;  // before the answer: the caller may check again at once
      {
        std::lock_guard<std::mutex> lock(attempt->mutex);
        attempt->done = true;
        attempt->usable = usable;
      }
      attempt->finished.notify_all();
    }).detach();
  } catch (...) {  // no thread to be had
    g_attemptRunning = false;
    return false;
  }
  std::unique_lock<std::mutex> lock(attempt->mutex);
  return attempt->finished.wait_for(lock, limit, [&] { return attempt->done; }) && attempt->usable;
}

std::optional<std::string> UsablePlatform(const DisplayProbes& probes) {
  if (const std::optional<std::string> chosen = Variable(probes, "QT_QPA_PLATFORM")) {
    std::string_view list = *chosen;
    while (true) {
      const size_t end = list.find(';');
      const std::string_view entry = list.substr(0, end);
      if (EntryUsable(probes, entry)) return std::string(entry);
      if (end == std::string_view::npos) return std::nullopt;
      list.remove_prefix(end + 1);
    }
  }
  if (X11Usable(probes)) return "xcb";
  if (Variable(probes, "WAYLAND_DISPLAY") && WaylandUsable(probes)) return "wayland";
  return std::nullopt;
}

DisplayProbes SystemDisplayProbes(std::chrono::milliseconds x11AnswerLimit) {
  DisplayProbes probes;
  probes.environment = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
  probes.x11Connectable = [x11AnswerLimit](const std::string& display) {
    return X11Answers(display, x11AnswerLimit);
  };
  probes.waylandConnectable = UnixSocketConnects;
  probes.pluginInstalled = PlatformPluginInstalled;
  return probes;
}

}  // namespace vdinv::platform::qt
