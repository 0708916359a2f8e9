// Reading module information from version resources and the host's installation.
#pragma once

#include <string>
#include <string_view>

#include "common/module_info.h"

namespace vdinv::host {

// The driver's module name of the Windows build, under which its record is read on every system.
constexpr std::string_view kDriverModule = "VD_Inv.dll";

// Reads the module information of a module file name (kDriverModule or the platform's own module
// name, or another module). The driver's own module answers with its compiled-in entries;
// others are looked up beside the host installation. True when the module has a version
// resource; the directory field (the host's installation directory) is filled in either case.
bool ReadModuleInfo(std::string_view moduleFileName, TModuleInfo& info);

// The same for the host program, from the version resource the platform finds for it (the
// process's main module on Windows).
bool ReadHostModuleInfo(TModuleInfo& info);

// Reads the product record; false here, since the driver has no product resources.
bool ReadProductInfo(std::string_view moduleFileName, TProductInfo& info);

}  // namespace vdinv::host
