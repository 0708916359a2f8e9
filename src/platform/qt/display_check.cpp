#include "platform/qt/display_check.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <cstdlib>
#include <cstring>

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

// One entry of QT_QPA_PLATFORM: "name" or "name:options".
bool EntryUsable(const DisplayProbes& probes, std::string_view entry) {
  const std::string name(entry.substr(0, entry.find(':')));
  if (name == "offscreen" || name == "minimal") return Probe(probes.pluginInstalled, name);
  if (name == "xcb") return X11Usable(probes);
  if (name.rfind("wayland", 0) == 0) {
    const std::string socket = Variable(probes, "WAYLAND_DISPLAY").value_or("wayland-0");
    return Probe(probes.pluginInstalled, name) && Probe(probes.waylandConnectable, socket);
  }
  return false;  // a platform whose start cannot be checked beforehand
}

// Connects to an X server through libxcb, which Qt's own X11 plugin uses; loaded here so that
// the module does not depend on it when Qt runs without X11.
bool XcbConnects(const std::string& display) {
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) return false;
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  bool usable = false;
  if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
    void* connection = connect(display.c_str(), nullptr);
    if (connection != nullptr) {
      usable = hasError(connection) == 0;
      disconnect(connection);  // also frees a connection in the error state
    }
  }
  // libxcb stays loaded: Qt's plugin loads it again in a moment.
  return usable;
}

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

DisplayProbes SystemDisplayProbes() {
  DisplayProbes probes;
  probes.environment = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
  probes.x11Connectable = XcbConnects;
  probes.waylandConnectable = UnixSocketConnects;
  probes.pluginInstalled = PlatformPluginInstalled;
  return probes;
}

}  // namespace vdinv::platform::qt
