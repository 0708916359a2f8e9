// How this system keeps a driver's help in the host's help directory, so that the start page
// can look for it without knowing the system.
#pragma once

#include <string>
#include <vector>

namespace vdinv::platform {

// The help files to look for, relative to the help directory, in the order tried (UTF-8).
// deviceName: the driver's DeviceName; moduleBaseName: its module's file name up to the first
// "." ("VD_Inv").
// Windows: compiled help, deviceName + ".chm", then moduleBaseName + ".chm", shown by the system's
// help viewer. Elsewhere: a folder of HTML pages for the browser, moduleBaseName + "/index.html"
// only: the device name is not ASCII, and a file named by it would have to be found by its GBK
// bytes and opened by its UTF-8 address, which name different files on a UTF-8 file system.
std::vector<std::string> HelpFileNames(const std::string& deviceName,
                                       const std::string& moduleBaseName);

}  // namespace vdinv::platform
