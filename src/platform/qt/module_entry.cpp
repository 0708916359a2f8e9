// The one export of VD_Inv_ui.so: the driver asks it for the toolkit when a window is first
// needed.
#include <dlfcn.h>

#include "platform/qt/qt_toolkit.h"

namespace {

// Once asked, this module stays loaded until the process ends, even when the driver that loaded
// it is unloaded: Qt's application, its threads and the toolkit live on, and Qt's libraries do
// not expect to be unloaded (some of what they set up at loading would be lost).
void KeepLoaded() {
  static const bool kept = [] {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&KeepLoaded), &info) == 0 || info.dli_fname == nullptr) {
      return false;
    }
    return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
  }();
  (void)kept;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) vdinv::platform::IToolkit* VdinvUiToolkit() {
  KeepLoaded();
  return vdinv::platform::qt::ProcessToolkit();
}
