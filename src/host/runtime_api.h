// The runtime entry points behind the exports, acting on the calling thread's driver object.
#pragma once

#include <cstdint>

#include "common/records.h"

namespace vdinv::host {

bool IniDriver(int32_t count, TTagInfo** tags, void* pdb, char** msg);
bool IniDriverEx(int32_t faultEvent);
bool OnDataRead(int32_t* count, TTagValue* values, char** msg);
bool OnDataWrite(int32_t count, TTagValue* values, char** msg);
bool GetDeviceStatus(char** msg);
void WriteLog(bool enable, char** msg);
uint16_t DetectScanTime();
bool FreeDriver();

// The wait of IniDriver for the initialisation guard.
constexpr uint32_t kInitGuardWaitMs = 5000;
// The scan time answered on a thread without a driver object.
constexpr uint16_t kDefaultScanTime = 1000;

}  // namespace vdinv::host
