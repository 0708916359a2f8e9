#include "host/own_version_resource.h"

#include <string>

#include "common/messages.h"

#ifndef VDINV_VERSION_MAJOR
#error "the build must define VDINV_VERSION_MAJOR/MINOR/PATCH/TWEAK"
#endif

namespace vdinv::host {
namespace {

platform::VersionResource BuildOwnResource() {
  platform::VersionResource r;
  r.fileVersion[0] = VDINV_VERSION_MAJOR;
  r.fileVersion[1] = VDINV_VERSION_MINOR;
  r.fileVersion[2] = VDINV_VERSION_PATCH;
  r.fileVersion[3] = VDINV_VERSION_TWEAK;
  r.hasFixedVersion = true;

  const std::string version =
      std::to_string(r.fileVersion[0]) + "." + std::to_string(r.fileVersion[1]) + "." +
      std::to_string(r.fileVersion[2]) + "." + std::to_string(r.fileVersion[3]);
  const std::string moduleName(platform::DriverModuleFileName());
  const std::string internalName = moduleName.substr(0, moduleName.find('.'));

  auto& s = r.strings;
  s["CompanyName"] = Text(Msg::OwnCompanyName);
  s["FileDescription"] = Text(Msg::OwnFileDescription);
  s["FileVersion"] = version;
  s["InternalName"] = internalName;
  s["LegalCopyright"] = Text(Msg::OwnLegalCopyright);
  s["OriginalFileName"] = moduleName;
  s["ProductName"] = Text(Msg::OwnProductName);
  s["ProductVersion"] = version;
  s["DeviceName"] = Text(Msg::OwnDeviceName);
  s["DevTypeName"] = Text(Msg::OwnDevTypeName);
  s["DevIDName"] = Text(Msg::OwnDevIDName);
  s["ChIDName"] = Text(Msg::OwnChIDName);
  s["ChName"] = Text(Msg::OwnChName);
  s["BitName"] = Text(Msg::OwnBitName);
  s["BitIDName"] = Text(Msg::OwnBitIDName);
  return r;
}

}  // namespace

const platform::VersionResource& OwnVersionResource() {
  static const platform::VersionResource resource = BuildOwnResource();
  return resource;
}

}  // namespace vdinv::host
