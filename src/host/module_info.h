// Reading module information from version resources and the host's installation.
#pragma once

#include <string>
#include <string_view>

#include "common/module_info.h"

namespace vdinv::host {

// The module names of the Windows build, under which the records are read.
constexpr std::string_view kHostExecutable = "Taxil.exe";
constexpr std::string_view kDriverModule = "VD_Inv.dll";

// Reads the module information of a module file name (kHostExecutable, kDriverModule or the
// platform's own module name). The driver's own module answers with its compiled-in entries;
// others are looked up beside the host installation. True when the module has a version
// resource; the directory field is filled in either case.
bool ReadModuleInfo(std::string_view moduleFileName, TModuleInfo& info);

// Reads the product record; false here, since the driver has no product resources.
bool ReadProductInfo(std::string_view moduleFileName, TProductInfo& info);

}  // namespace vdinv::host
