#include "common/parameter_block.h"

#include <cstring>

#include "common/messages.h"
#include "common/process_values.h"

namespace vdinv {

std::string ModelNameOf(uint8_t model) {
  switch (model) {
    case kModelG11S:
      return Text(Msg::ModelG11S);
    case kModelP11S:
      return Text(Msg::ModelP11S);
    case kModelNone:
      return Text(Msg::ModelNone);
    default:
      return {};
  }
}

TDevParmBlock LoadPdb(const void* block) {
  TDevParmBlock pdb;
  std::memcpy(&pdb, block, sizeof pdb);
  return pdb;
}

void StorePdb(void* block, const TDevParmBlock& pdb) {
  std::memcpy(block, &pdb, sizeof pdb);
}

void FillDefaults(TDevParmBlock& pdb, uint32_t processOutTime, int32_t processWCount) {
  pdb.CurDevice = 0;
  pdb.EnDebug = 0;
  pdb.EnErrorLog = 0;
  pdb.EnTraceLog = 0;
  pdb.LinkMode = 0;
  pdb.ReservedWord = 0;
  pdb.OutTime = static_cast<uint16_t>(processOutTime & 0xFFFFu);
  pdb.WCount = static_cast<uint8_t>(static_cast<uint32_t>(processWCount) & 0xFFu);
  pdb.ComPort = 0;
  pdb.BaudIndex = 6;
  pdb.DataBits = 4;
  pdb.StopBits = 0;
  pdb.Parity = 0;
  for (int i = 0; i < kDeviceCount; ++i) {
    TDeviceEntry& e = pdb.Devices[i];
    e.DevNo = i;
    e.Model = kModelNone;
    e.DeviceWord1 = 80;
    e.DeviceWord2 = 32;
    e.DeviceWord3 = 8;
    e.DeviceWord4 = 49;
    // The reserved area and the two device flags form one run of 200 bytes.
    std::memset(e.ReservedArea, 0, sizeof e.ReservedArea);
    e.DeviceFlag1 = 0;
    e.DeviceFlag2 = 0;
  }
  pdb.Devices[0].Model = kModelG11S;
}

void CopyPdb(const TDevParmBlock& src, TDevParmBlock& dst) {
  dst.EnDebug = src.EnDebug;
  dst.EnErrorLog = src.EnErrorLog;
  dst.EnTraceLog = src.EnTraceLog;
  dst.LinkMode = src.LinkMode;
  dst.CurDevice = src.CurDevice;
  dst.ReservedWord = src.ReservedWord;
  dst.OutTime = src.OutTime;
  dst.WCount = src.WCount;
  dst.ReservedText.Set(src.ReservedText.Get());
  for (int i = 0; i < kDeviceCount; ++i) {
    const TDeviceEntry& s = src.Devices[i];
    TDeviceEntry& d = dst.Devices[i];
    d.DevNo = s.DevNo;
    d.Model = s.Model;
    d.ModelName.Set(ModelNameOf(s.Model));
    d.DeviceFlag1 = s.DeviceFlag1;
    d.DeviceFlag2 = s.DeviceFlag2;
    d.DeviceWord1 = s.DeviceWord1;
    d.DeviceWord2 = s.DeviceWord2;
    d.DeviceWord3 = s.DeviceWord3;
    d.DeviceWord4 = s.DeviceWord4;
    d.Reserved34 = s.Reserved34;
    d.Reserved35 = s.Reserved35;
    std::memcpy(d.ReservedArea, s.ReservedArea, sizeof d.ReservedArea);
  }
  dst.ComPort = src.ComPort;
  dst.BaudIndex = src.BaudIndex;
  dst.DataBits = src.DataBits;
  dst.StopBits = src.StopBits;
  dst.Parity = src.Parity;
  dst.InitStr.Set(src.InitStr.Get());
}

bool CheckPdbModels(TDevParmBlock& pdb) {
  bool changed = false;
  for (int i = 0; i < kDeviceCount; ++i) {
    TDeviceEntry& e = pdb.Devices[i];
    if (e.Model == kModelNone) continue;
    // A code the model table does not know has no name and never matches.
    std::string expected = ModelNameOf(e.Model);
    if (expected.empty() || e.ModelName.Get() != expected) {
      e.ModelName.Set({});
      e.Model = kModelNone;
      changed = true;
    }
  }
  return changed;
}

void* FullPdb(void* block) {
  if (block == nullptr) return nullptr;
  TDevParmBlock pdb = LoadPdb(block);
  FillDefaults(pdb, ProcessOutTime(), ProcessWCount());
  StorePdb(block, pdb);
  return block;
}

bool CheckPdbModels(void* block) {
  if (block == nullptr) return false;
  TDevParmBlock pdb = LoadPdb(block);
  bool changed = CheckPdbModels(pdb);
  if (changed) StorePdb(block, pdb);
  return changed;
}

}  // namespace vdinv
