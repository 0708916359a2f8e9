// The driver module as a host sees it: loaded by path, its exports looked up by name and called
// through their C signatures. Nothing of the engine is linked into the tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/export_convention.h"
#include "common/records.h"
#include "platform/dynamic_library.h"

namespace vdinv::tool {

// The C signatures of the exports. Boolean results and arguments are single bytes (0 or 1);
// they are declared as uint8_t so that a byte other than 0 or 1 is still read safely.
namespace exports {
using IniDriver = uint8_t(VDINV_CALL*)(int32_t count, TTagInfo** tags, void* pdb, char** msg);
using IniDriverEx = uint8_t(VDINV_CALL*)(int32_t faultEvent);
using OnDataRead = uint8_t(VDINV_CALL*)(int32_t* count, TTagValue* values, char** msg);
using OnDataWrite = uint8_t(VDINV_CALL*)(int32_t count, TTagValue* values, char** msg);
using GetDeviceStatus = uint8_t(VDINV_CALL*)(char** msg);
using WriteLog = void(VDINV_CALL*)(uint8_t enable, char** msg);
using DetectScanTime = uint16_t(VDINV_CALL*)();
using FreeDriver = uint8_t(VDINV_CALL*)();
using GetPDBLen = int32_t(VDINV_CALL*)();
using FullPDB = void*(VDINV_CALL*)(void* pdb);
using DLLEdDev = int32_t(VDINV_CALL*)(uintptr_t hostWindow, void* pdb);
using DLLTestDev = uint8_t(VDINV_CALL*)(void* pdb, uint8_t interactive);
using TagEdAddr = int32_t(VDINV_CALL*)(void* pdb, char** addr, uint8_t skipCheck, char** msg);
using GetTagAddrList = void(VDINV_CALL*)(int32_t reserved, int32_t* count, TTagAddrTemplate* list);
}  // namespace exports

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

  // Loads the module and resolves the 14 exports. False (with a reason) when the module cannot
  // be loaded; a missing export is not a failure here, see Exports() and Missing().
  bool Load(const std::string& path, std::string* error);
  const std::string& Path() const { return path_; }

  // Every export in the order of the interface, with whether the module has it.
  std::vector<ExportInfo> Exports() const;
  // Names of the required exports the module lacks, empty when it has them all.
  std::vector<std::string> MissingRequired() const;

  // The exports; null when the module lacks them.
  exports::IniDriver iniDriver = nullptr;
  exports::IniDriverEx iniDriverEx = nullptr;
  exports::OnDataRead onDataRead = nullptr;
  exports::OnDataWrite onDataWrite = nullptr;
  exports::GetDeviceStatus getDeviceStatus = nullptr;
  exports::WriteLog writeLog = nullptr;
  exports::DetectScanTime detectScanTime = nullptr;
  exports::FreeDriver freeDriver = nullptr;
  exports::GetPDBLen getPdbLen = nullptr;
  exports::FullPDB fullPdb = nullptr;
  exports::DLLEdDev dllEdDev = nullptr;
  exports::DLLTestDev dllTestDev = nullptr;
  exports::TagEdAddr tagEdAddr = nullptr;
  exports::GetTagAddrList getTagAddrList = nullptr;

 private:
  platform::DynamicLibrary library_;
  std::string path_;
};

// Takes a text the driver handed over: converts it from GBK to UTF-8 and releases it as the host
// owns it (with the platform's host-text release). A null text gives an empty result.
std::string TakeDriverText(char*& text);

}  // namespace vdinv::tool
