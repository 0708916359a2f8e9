// The driver module as a host sees it: loaded by path, its exports looked up by name and called
// through their C signatures. Nothing of the engine is linked into the tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "VD_Inv.h"
#include "platform/dynamic_library.h"

namespace vdinv::tool {

struct ExportInfo {
  const char* name;
  bool required;  // the configuration exports may be missing; the others may not
  bool present;
};

class DriverModule {
 public:
  DriverModule() = default;
  DriverModule(const DriverModule&) = delete;
  DriverModule& operator=(const DriverModule&) = delete;

  // Loads the module and resolves the exports of VD_Inv.h. False (with a reason) when the module
  // cannot be loaded; a missing export is not a failure here, see Exports() and Missing().
  bool Load(const std::string& path, std::string* error);
  const std::string& Path() const { return path_; }

  // Every export in the order of the interface, with whether the module has it.
  std::vector<ExportInfo> Exports() const;
  // Names of the required exports the module lacks, empty when it has them all.
  std::vector<std::string> MissingRequired() const;

  // The exports; null when the module lacks them.
  VdInvExports api{};

 private:
  platform::DynamicLibrary library_;
  std::string path_;
};

// Takes a text the driver handed over: converts it from GBK to UTF-8 and releases it as the host
// owns it (with the platform's host-text release). A null text gives an empty result.
std::string TakeDriverText(char*& text);

}  // namespace vdinv::tool
