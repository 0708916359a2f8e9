// The tool's own process environment, which the module reads for its serial ports and host
// files.
#pragma once

#include <string>

namespace vdinv::tool {

// Sets the variable for this process (and so for the module loaded into it); false on failure.
bool SetProcessEnvironment(const std::string& name, const std::string& value);

// Whether the process names a display the driver's windows can use: on Windows always; elsewhere
// an X11 or Wayland display (Qt's offscreen and minimal platforms have no screen, and this tool
// runs no Qt application of its own on them). Whether that display answers is for the driver to
// find out.
bool DisplayNamed();

}  // namespace vdinv::tool
