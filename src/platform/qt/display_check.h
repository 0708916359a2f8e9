// Whether Qt can start a platform plugin in this process, decided before QApplication exists:
// Qt ends the whole process when its platform plugin cannot start, and the host must never be
// ended by a window that cannot be shown.
#pragma once

#include <chrono>
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
  // A platform plugin of this name ("xcb", "wayland") is installed.
  std::function<bool(const std::string& platform)> pluginInstalled;
};

// How long the check waits for an X server to answer a connection: a display that has not
// answered by then counts as unusable.
inline constexpr std::chrono::milliseconds kX11AnswerLimit{2000};

// The platform to start Qt with (the argument of -platform, with its options), or nothing when
// no display is usable. QT_QPA_PLATFORM, when set, is a list of platforms separated by ';'; the
// first usable one is taken, never one without a screen (offscreen, minimal). Otherwise an X
// display comes first, then a Wayland display.
std::optional<std::string> UsablePlatform(const DisplayProbes& probes);

// An X server accepts a connection on this display name and completes its set-up within the
// limit. While an earlier attempt still waits for its server, answers false at once.
bool X11Answers(const std::string& display, std::chrono::milliseconds limit);

// The probes of this process: its environment, real connections (an X server given the limit
// to answer), Qt's plugin directory.
DisplayProbes SystemDisplayProbes(std::chrono::milliseconds x11AnswerLimit = kX11AnswerLimit);

}  // namespace vdinv::platform::qt
