// The runtime entry points behind the exports, acting on the calling thread's driver object.
#pragma once

#include <cstdint>

#include "common/records.h"

namespace vdinv::engine {
class TBaseDLLObject;
}  // namespace vdinv::engine
namespace vdinv::protocol {
class LineThread;
}  // namespace vdinv::protocol

namespace vdinv::host {

class Process;

bool IniDriver(int32_t count, TTagInfo** tags, void* pdb, char** msg);
bool IniDriverEx(int32_t faultEvent);
bool OnDataRead(int32_t* count, TTagValue* values, char** msg);
bool OnDataWrite(int32_t count, TTagValue* values, char** msg);
bool GetDeviceStatus(char** msg);
void WriteLog(bool enable, char** msg);
uint16_t DetectScanTime();
bool FreeDriver();

// IniDriver on the given process state (IniDriver uses the library's).
bool InitDriver(Process& process, int32_t count, TTagInfo** tags, void* pdb, char** msg);

// One host poll of a driver object, as OnDataRead makes it: one step of the run-state machine,
// the pending message, and a record for every tag whose value or quality changed since it was
// last reported (at most TagCount records).
bool PollDriver(engine::TBaseDLLObject& driver, int32_t* count, TTagValue* values, char** msg);
// The same while the object's line thread runs the line: what the thread changed since the last
// poll, at once.
bool CollectLine(engine::TBaseDLLObject& driver, protocol::LineThread& line, int32_t* count,
                 TTagValue* values, char** msg);

// The wait of IniDriver for the initialisation guard.
constexpr uint32_t kInitGuardWaitMs = 5000;
// The scan time answered on a thread without a driver object.
constexpr uint16_t kDefaultScanTime = 1000;

}  // namespace vdinv::host
