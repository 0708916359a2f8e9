// The one export of VD_Inv_ui.so: the driver asks it for the toolkit when a window is first
// needed.
#include "platform/qt/qt_toolkit.h"

extern "C" __attribute__((visibility("default"))) vdinv::platform::IToolkit* VdinvUiToolkit() {
  return vdinv::platform::qt::ProcessToolkit();
}
