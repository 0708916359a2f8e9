#include "platform/toolkit.h"

namespace vdinv::platform {

// No window toolkit yet: nothing can be shown.
IToolkit* Toolkit() {
  return nullptr;
}

}  // namespace vdinv::platform
