// Whether Qt can start a platform plugin in this process, decided before QApplication exists:
// Qt ends the whole process when its platform plugin cannot start, and the host must never be
// ended by a window that cannot be shown.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vdinv::platform::qt {

struct DisplayProbes {
  // The environment variable's value, or nothing when it is not set.
  std::function<std::optional<std::string>(const char* name)> environment;
  // An X server accepts a connection on this display name.
  std::function<bool(const std::string& display)> x11Connectable;
  // A Wayland compositor listens on this socket (a name in XDG_RUNTIME_DIR or a path).
  std::function<bool(const std::string& socket)> waylandConnectable;
  // A platform plugin of this name ("xcb", "wayland", "offscreen") is installed.
  std::function<bool(const std::string& platform)> pluginInstalled;
};

// The platform to start Qt with (the argument of -platform, with its options), or nothing when
// no display is usable. QT_QPA_PLATFORM, when set, is a list of platforms separated by ';'; the
// first usable one is taken. Otherwise an X display comes first, then a Wayland display.
std::optional<std::string> UsablePlatform(const DisplayProbes& probes);

// The probes of this process: its environment, real connections, Qt's plugin directory.
DisplayProbes SystemDisplayProbes();

}  // namespace vdinv::platform::qt
