#include "vdinv/driver_module.h"

#include "platform/text.h"

namespace vdinv::tool {

bool DriverModule::Load(const std::string& path, std::string* error) {
  path_ = path;
  if (!library_.Open(path, error)) return false;
#define VDINV_RESOLVE(name, stack) \
  api.name = reinterpret_cast<VdInv_##name##_Fn>(library_.Symbol(#name));
  VDINV_EXPORTS(VDINV_RESOLVE)
#undef VDINV_RESOLVE
  return true;
}

// The driver exports are required; a host may do without the configuration exports.
std::vector<ExportInfo> DriverModule::Exports() const {
  return {
#define VDINV_REQUIRED(name, stack) {#name, true, api.name != nullptr},
#define VDINV_OPTIONAL(name, stack) {#name, false, api.name != nullptr},
      VDINV_DRIVER_EXPORTS(VDINV_REQUIRED) VDINV_CONFIG_EXPORTS(VDINV_OPTIONAL)
#undef VDINV_REQUIRED
#undef VDINV_OPTIONAL
  };
}

std::vector<std::string> DriverModule::MissingRequired() const {
  std::vector<std::string> missing;
  for (const ExportInfo& e : Exports()) {
    if (e.required && !e.present) missing.emplace_back(e.name);
  }
  return missing;
}

std::string TakeDriverText(char*& text) {
  if (text == nullptr) return {};
  std::string utf8 = platform::GbkToUtf8(text);
  platform::FreeHostText(text);
  text = nullptr;
  return utf8;
}

}  // namespace vdinv::tool
