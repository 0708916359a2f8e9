// A host of the built module, for benchmarks and tests that load VD_Inv.so (VD_Inv.dll) by
// path: the runtime exports looked up by name, what the host has seen of the reports, the
// host's installation files in a directory of its own, and the parameter block of a line of
// inverters.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "VD_Inv.h"
#include "common/parameter_block.h"
#include "common/records.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/text.h"
#include "support/device_block.h"
#include "support/temp_dir.h"

namespace vdinv::test {

// The export `name` of the loaded module as its VD_Inv.h type (null when missing).
#define VDINV_FIND_EXPORT(module, name) reinterpret_cast<VdInv_##name##_Fn>((module).Symbol(#name))

// The runtime exports a line's host calls.
struct ModuleExports {
  VdInv_IniDriver_Fn iniDriver = nullptr;
  VdInv_OnDataRead_Fn onDataRead = nullptr;
  VdInv_OnDataWrite_Fn onDataWrite = nullptr;
  VdInv_DetectScanTime_Fn detectScanTime = nullptr;
  VdInv_FreeDriver_Fn freeDriver = nullptr;

  // Looks the exports up in the loaded module; false when one is missing.
  bool Find(const platform::DynamicLibrary& module) {
    iniDriver = VDINV_FIND_EXPORT(module, IniDriver);
    onDataRead = VDINV_FIND_EXPORT(module, OnDataRead);
    onDataWrite = VDINV_FIND_EXPORT(module, OnDataWrite);
    detectScanTime = VDINV_FIND_EXPORT(module, DetectScanTime);
    freeDriver = VDINV_FIND_EXPORT(module, FreeDriver);
    return iniDriver && onDataRead && onDataWrite && detectScanTime && freeDriver;
  }
};

// What a host has seen of the module's reports: the latest value of every tag (texts in UTF-8)
// and the longest OnDataRead.
struct HostView {
  std::map<uint32_t, double> numbers;
  std::map<uint32_t, std::string> texts;
  std::chrono::steady_clock::duration longestPoll{};

  // Polls every 5 ms, keeping what is reported, until done() or the time limit.
  bool PollUntil(const ModuleExports& driver, const std::function<bool()>& done,
                 uint32_t limitMs = 5000) {
    std::vector<TTagValue> values(8);
    for (uint32_t waited = 0; waited < limitMs; waited += 5) {
      int32_t count = 0;
      const auto start = std::chrono::steady_clock::now();
      driver.onDataRead(&count, values.data(), nullptr);
      longestPoll = std::max(longestPoll, std::chrono::steady_clock::now() - start);
      for (int32_t i = 0; i < count; ++i) {
        TTagValue& v = values[static_cast<size_t>(i)];
        if (v.DataType == kString) {
          texts[v.TagID] = v.Value.text ? platform::GbkToUtf8(v.Value.text) : "";
          platform::FreeHostText(v.Value.text);
        } else {
          numbers[v.TagID] = v.DataType == kAnalog ? v.Value.analog : v.Value.switchValue;
        }
      }
      if (done()) return true;
      platform::SleepMilliseconds(5);
    }
    return false;
  }
};

// Makes dir the host's installation (the registry stand-in VD_INV_REGISTRY is to name) with a
// current project below it, so that the driver's log is HostLogPath(dir); lineThread switches
// the line thread on.
inline bool WriteHostFiles(const TempDir& dir, bool lineThread = false) {
  return platform::WriteWholeFile(
             dir.File("registry.ini"),
             "[Software\\KORVI]\nPATH=" + dir.Path() + "\n" +
                 (lineThread ? "[Software\\KORVI\\VD_Inv]\nLineThread=1\n" : "")) &&
         platform::WriteWholeFile(dir.File("Ovatrex.ini"),
                                  "[WORKING]\nDefaultPROJECT=" + dir.Path() + "p/x\n");
}
// The name of a test's mode of the line, for suites parameterised over the line thread switch.
template <class ParamInfo>
std::string LineModeName(const ParamInfo& info) {
  return info.param ? "LineThread" : "HostPolls";
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
