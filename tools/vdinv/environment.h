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

// Turns the driver's line thread switch on for this process only (`run --line-thread`). On
// Linux the module reads it from the registry stand-in: a copy of the stand-in in effect, with
// LineThread=1 put into the driver's key, is made in the temporary directory and
// VD_INV_REGISTRY pointed at it; the copy is removed with this object. On Windows the switch is
// the machine's registry value, which one program's run must not change: On fails there.
class LineThreadSwitch {
 public:
  LineThreadSwitch() = default;
  ~LineThreadSwitch();
  LineThreadSwitch(const LineThreadSwitch&) = delete;
  LineThreadSwitch& operator=(const LineThreadSwitch&) = delete;

  // True when the module loaded afterwards finds the switch on; else error says why.
  bool On(std::string& error);

 private:
  std::string copy_;
};

}  // namespace vdinv::tool
