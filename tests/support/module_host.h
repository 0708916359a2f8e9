// A host of the built module, for benchmarks and tests that load VD_Inv.so by path: the
// runtime exports looked up by name, the host's installation files in a directory of its own,
// and the parameter block of a line of inverters.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/parameter_block.h"
#include "common/records.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "support/device_block.h"
#include "support/temp_dir.h"

namespace vdinv::test {

struct ModuleExports {
  bool (*iniDriver)(int32_t, TTagInfo**, void*, char**) = nullptr;
  bool (*onDataRead)(int32_t*, TTagValue*, char**) = nullptr;
  bool (*onDataWrite)(int32_t, TTagValue*, char**) = nullptr;
  uint16_t (*detectScanTime)() = nullptr;
  bool (*freeDriver)() = nullptr;

  // Looks the exports up in the loaded module; false when one is missing.
  bool Find(const platform::DynamicLibrary& module) {
    iniDriver = reinterpret_cast<decltype(iniDriver)>(module.Symbol("IniDriver"));
    onDataRead = reinterpret_cast<decltype(onDataRead)>(module.Symbol("OnDataRead"));
    onDataWrite = reinterpret_cast<decltype(onDataWrite)>(module.Symbol("OnDataWrite"));
    detectScanTime = reinterpret_cast<decltype(detectScanTime)>(module.Symbol("DetectScanTime"));
    freeDriver = reinterpret_cast<decltype(freeDriver)>(module.Symbol("FreeDriver"));
    return iniDriver && onDataRead && onDataWrite && detectScanTime && freeDriver;
  }
};

// Makes dir the host's installation (the registry stand-in VD_INV_REGISTRY is to name) with a
// current project below it, so that the driver's log is HostLogPath(dir).
inline bool WriteHostFiles(const TempDir& dir) {
  return platform::WriteWholeFile(dir.File("registry.ini"),
                                  "[Software\\KORVI]\nPATH=" + dir.Path() + "\n") &&
         platform::WriteWholeFile(dir.File("Ovatrex.ini"),
                                  "[WORKING]\nDefaultPROJECT=" + dir.Path() + "p/x\n");
}
inline std::string HostLogPath(const TempDir& dir) {
  return dir.Path() + "p/Debug/VD_Inv.Log";
}

// The stored block with the given stations (number, model code) and no other device, on port
// "Com<comNumber>" at the baud code, the log switches off.
inline std::vector<uint8_t> LineBlock(std::initializer_list<std::pair<int, uint8_t>> stations,
                                      int comNumber = 1, uint8_t baudIndex = 6,
                                      uint16_t outTime = 1000) {
  std::vector<uint8_t> block(kPdbLength, 0);
  TDevParmBlock pdb = DevicesBlock(stations, outTime);
  pdb.ComPort = static_cast<uint8_t>(comNumber - 1);
  pdb.BaudIndex = baudIndex;
  StorePdb(block.data(), pdb);
  return block;
}

}  // namespace vdinv::test
