// The help on POSIX: the user guide as HTML pages, opened in the desktop's browser.
#include "platform/help_file.h"

namespace vdinv::platform {

std::vector<std::string> HelpFileNames(const std::string& /*deviceName*/,
                                       const std::string& moduleBaseName) {
  return {moduleBaseName + "/index.html"};
}

}  // namespace vdinv::platform
