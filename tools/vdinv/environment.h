// The tool's own process environment, which the module reads for its serial ports and host
// files.
#pragma once

#include <string>

namespace vdinv::tool {

// Sets the variable for this process (and so for the module loaded into it); false on failure.
bool SetProcessEnvironment(const std::string& name, const std::string& value);

}  // namespace vdinv::tool
