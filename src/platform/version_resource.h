// Version resources of other modules. On Linux a module's resource is a sidecar INI file
// "<dir>/<module file name>.version" (the driver's own entries are compiled into the driver).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vdinv::platform {

struct VersionResource {
  // String entries (GBK text) by their exact entry name, e.g. "FileDescription", "DeviceName".
  std::map<std::string, std::string> strings;
  // The four numbers of the fixed file version, most significant first.
  unsigned fileVersion[4] = {0, 0, 0, 0};
  bool hasFixedVersion = false;
};

// The module file name of this driver on this platform ("VD_Inv.so").
std::string_view DriverModuleFileName();

// The version resource of the named module, read from the sidecar file
// searchDir + moduleFileName + ".version" ('/' put after a non-empty searchDir that lacks it):
// its [StringFileInfo] section gives the string entries (a value that is valid UTF-8 and not
// pure ASCII is converted to GBK, any other value taken as bytes; the first of equal names
// counts) and the key FileVersion of its [FixedFileInfo] section ("a.b.c.d", 0..65535 each,
// missing trailing numbers 0, ',' also separates) the fixed version. Nothing when the file does
// not exist, is not a regular file, holds more than 1 MiB or has no [StringFileInfo] section.
std::optional<VersionResource> ReadVersionResource(std::string_view moduleFileName,
                                                   const std::string& searchDir);

// The version resource of the host program. Linux: the sidecar file of "Taxil.exe" in the host's
// installation directory, read as ReadVersionResource("Taxil.exe", hostInstallDir). Windows: the
// resource of the process's main module, whatever its name and directory (hostInstallDir is not
// used).
std::optional<VersionResource> ReadHostExecutableVersionResource(const std::string& hostInstallDir);

}  // namespace vdinv::platform
