// The help on Windows: a compiled help file, opened in the system's HTML help viewer; the file
// named after the device comes before the one named after the module.
#include "platform/help_file.h"

namespace vdinv::platform {

std::vector<std::string> HelpFileNames(const std::string& deviceName,
                                       const std::string& moduleBaseName) {
  return {deviceName + ".chm", moduleBaseName + ".chm"};
}

}  // namespace vdinv::platform
