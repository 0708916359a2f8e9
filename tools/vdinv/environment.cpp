#include "vdinv/environment.h"

#include "platform/text.h"

namespace vdinv::tool {

bool SetProcessEnvironment(const std::string& name, const std::string& value) {
  return platform::SetEnvironment(name, value);
}

}  // namespace vdinv::tool
