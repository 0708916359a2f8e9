#include "vdinv/environment.h"

#include "platform/text.h"

namespace vdinv::tool {

bool SetProcessEnvironment(const std::string& name, const std::string& value) {
  return platform::SetEnvironment(name, value);
}

bool DisplayNamed() {
#ifdef _WIN32
  return true;
#else
  return !platform::GetEnvironment("DISPLAY").empty() ||
         !platform::GetEnvironment("WAYLAND_DISPLAY").empty();
#endif
}

}  // namespace vdinv::tool
