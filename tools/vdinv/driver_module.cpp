#include "vdinv/driver_module.h"

#include "platform/text.h"

namespace vdinv::tool {
namespace {

template <typename Fn>
void Resolve(const platform::DynamicLibrary& library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(library.Symbol(name));
}

}  // namespace

bool DriverModule::Load(const std::string& path, std::string* error) {
  path_ = path;
  if (!library_.Open(path, error)) return false;
  Resolve(library_, "IniDriver", iniDriver);
  Resolve(library_, "IniDriverEx", iniDriverEx);
  Resolve(library_, "OnDataRead", onDataRead);
  Resolve(library_, "OnDataWrite", onDataWrite);
  Resolve(library_, "GetDeviceStatus", getDeviceStatus);
  Resolve(library_, "WriteLog", writeLog);
  Resolve(library_, "DetectScanTime", detectScanTime);
  Resolve(library_, "FreeDriver", freeDriver);
  Resolve(library_, "GetPDBLen", getPdbLen);
  Resolve(library_, "FullPDB", fullPdb);
  Resolve(library_, "DLLEdDev", dllEdDev);
  Resolve(library_, "DLLTestDev", dllTestDev);
  Resolve(library_, "TagEdAddr", tagEdAddr);
  Resolve(library_, "GetTagAddrList", getTagAddrList);
  return true;
}

std::vector<ExportInfo> DriverModule::Exports() const {
  return {
      {"IniDriver", true, iniDriver != nullptr},
      {"IniDriverEx", true, iniDriverEx != nullptr},
      {"OnDataRead", true, onDataRead != nullptr},
      {"OnDataWrite", true, onDataWrite != nullptr},
      {"GetDeviceStatus", true, getDeviceStatus != nullptr},
      {"WriteLog", true, writeLog != nullptr},
      {"DetectScanTime", true, detectScanTime != nullptr},
      {"FreeDriver", true, freeDriver != nullptr},
      {"GetPDBLen", true, getPdbLen != nullptr},
      {"FullPDB", true, fullPdb != nullptr},
      {"DLLEdDev", false, dllEdDev != nullptr},
      {"DLLTestDev", false, dllTestDev != nullptr},
      {"TagEdAddr", false, tagEdAddr != nullptr},
      {"GetTagAddrList", false, getTagAddrList != nullptr},
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
