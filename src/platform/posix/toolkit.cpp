// The toolkit on Linux lives in VD_Inv_ui.so beside the driver's module, so that Qt is loaded
// only when a window is first asked for and a host that only runs lines never loads it.
#include "platform/toolkit.h"

#include <dlfcn.h>

#include <string>

#include "platform/dynamic_library.h"
#include "platform/text.h"

namespace vdinv::platform {
namespace {

constexpr char kUiModule[] = "VD_Inv_ui.so";
constexpr char kUiEntry[] = "VdinvUiToolkit";

using UiEntry = IToolkit* (*)();

// The directory of the module this code is linked into (the driver's), with its "/".
std::string OwnModuleDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&Toolkit), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  const std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

UiEntry LoadUiModule(DynamicLibrary& module) {
  try {
    const std::string directory = OwnModuleDirectory();
    if (directory.empty() || !module.Open(directory + kUiModule, nullptr)) return nullptr;
    return reinterpret_cast<UiEntry>(module.Symbol(kUiEntry));
  } catch (...) {
    return nullptr;
  }
}

// Whether a window could be shown at all, judged without loading Qt (the UI module makes the exact
// check). The UI module can start Qt itself only on an X11 or a Wayland display (Wayland's
// socket defaults to wayland-0 when Qt is asked for it by name); on any other platform, the
// screenless offscreen and minimal above all, only a host that runs a Qt application of its own
// has windows to show, and such a host has loaded Qt's widgets already.
bool DisplayMayBeUsable() {
  try {
    if (!GetEnvironment("DISPLAY").empty() || !GetEnvironment("WAYLAND_DISPLAY").empty() ||
        GetEnvironment("QT_QPA_PLATFORM").find("wayland") != std::string::npos) {
      return true;
    }
  } catch (...) {
    return false;
  }
  void* widgets = dlopen("libQt6Widgets.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (widgets == nullptr) return false;
  dlclose(widgets);  // only counted once more by the question
  return true;
}

}  // namespace

IToolkit* Toolkit() {
  if (!DisplayMayBeUsable()) return nullptr;
  // Loaded once, whichever thread asks first; the UI module keeps itself loaded from then on.
  static DynamicLibrary module;
  static const UiEntry entry = LoadUiModule(module);
  return entry != nullptr ? entry() : nullptr;
}

}  // namespace vdinv::platform
