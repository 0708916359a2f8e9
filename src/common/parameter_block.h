// The device parameter block: the stored 26508-byte record of one serial line and its
// inverters, the model table and the operations on blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "VD_Inv.h"
#include "common/short_string.h"

namespace vdinv {

constexpr int kDeviceCount = 100;
constexpr int32_t kPdbLength = VDINV_PDB_LENGTH;

// Model codes of a device entry.
enum ModelCode : uint8_t { kModelG11S = 0, kModelP11S = 1, kModelNone = 2 };

#pragma pack(push, 1)

struct TDeviceEntry {
  int32_t DevNo;
  uint8_t Model;
  ShortString<46> ModelName;
  uint8_t Reserved34;
  uint8_t Reserved35;
  uint8_t ReservedArea[198];
  uint8_t DeviceFlag1;
  uint8_t DeviceFlag2;
  uint16_t DeviceWord1;
  uint16_t DeviceWord2;
  uint16_t DeviceWord3;
  uint16_t DeviceWord4;
  uint8_t Padding[2];
};

struct TDevParmBlock {
  uint8_t EnDebug;
  uint8_t EnErrorLog;
  uint8_t EnTraceLog;
  uint8_t Reserved03;
  uint16_t OutTime;
  uint16_t ReservedWord;
  uint8_t WCount;
  uint8_t LinkMode;
  uint8_t Reserved0A[2];
  int32_t CurDevice;
  TDeviceEntry Devices[kDeviceCount];
  uint8_t ComPort;
  uint8_t BaudIndex;
  uint8_t DataBits;
  uint8_t StopBits;
  uint8_t Parity;
  ShortString<32> ReservedText;
  ShortString<50> InitStr;
  uint8_t Padding[3];
};

#pragma pack(pop)

// The stored layout: hosts keep blocks in their project files, so every offset is fixed.
static_assert(sizeof(TDeviceEntry) == 264);
static_assert(offsetof(TDeviceEntry, DevNo) == 0x00);
static_assert(offsetof(TDeviceEntry, Model) == 0x04);
static_assert(offsetof(TDeviceEntry, ModelName) == 0x05);
static_assert(offsetof(TDeviceEntry, Reserved34) == 0x34);
static_assert(offsetof(TDeviceEntry, Reserved35) == 0x35);
static_assert(offsetof(TDeviceEntry, ReservedArea) == 0x36);
static_assert(offsetof(TDeviceEntry, DeviceFlag1) == 0xFC);
static_assert(offsetof(TDeviceEntry, DeviceFlag2) == 0xFD);
static_assert(offsetof(TDeviceEntry, DeviceWord1) == 0xFE);
static_assert(offsetof(TDeviceEntry, DeviceWord2) == 0x100);
static_assert(offsetof(TDeviceEntry, DeviceWord3) == 0x102);
static_assert(offsetof(TDeviceEntry, DeviceWord4) == 0x104);
static_assert(offsetof(TDeviceEntry, Padding) == 0x106);

static_assert(sizeof(TDevParmBlock) == kPdbLength);
static_assert(offsetof(TDevParmBlock, EnDebug) == 0x00);
static_assert(offsetof(TDevParmBlock, EnErrorLog) == 0x01);
static_assert(offsetof(TDevParmBlock, EnTraceLog) == 0x02);
static_assert(offsetof(TDevParmBlock, Reserved03) == 0x03);
static_assert(offsetof(TDevParmBlock, OutTime) == 0x04);
static_assert(offsetof(TDevParmBlock, ReservedWord) == 0x06);
static_assert(offsetof(TDevParmBlock, WCount) == 0x08);
static_assert(offsetof(TDevParmBlock, LinkMode) == 0x09);
static_assert(offsetof(TDevParmBlock, Reserved0A) == 0x0A);
static_assert(offsetof(TDevParmBlock, CurDevice) == 0x0C);
static_assert(offsetof(TDevParmBlock, Devices) == 0x10);
static_assert(offsetof(TDevParmBlock, ComPort) == 0x6730);
static_assert(offsetof(TDevParmBlock, BaudIndex) == 0x6731);
static_assert(offsetof(TDevParmBlock, DataBits) == 0x6732);
static_assert(offsetof(TDevParmBlock, StopBits) == 0x6733);
static_assert(offsetof(TDevParmBlock, Parity) == 0x6734);
static_assert(offsetof(TDevParmBlock, ReservedText) == 0x6735);
static_assert(offsetof(TDevParmBlock, InitStr) == 0x6756);
static_assert(offsetof(TDevParmBlock, Padding) == 0x6789);

// Name of a model code from the model table; "无效" for 2, empty for unknown codes (GBK).
std::string ModelNameOf(uint8_t model);

// Reads and writes a block held by the host (any alignment).
TDevParmBlock LoadPdb(const void* block);
void StorePdb(void* block, const TDevParmBlock& pdb);

// Fills the defaults (FullPDB). The process-wide time-out and write repetition count give the
// defaults of OutTime and WCount; fields not named keep their bytes.
void FillDefaults(TDevParmBlock& pdb, uint32_t processOutTime, int32_t processWCount);
// Copies src into dst field by field (CopyPDB); ModelName follows the copied Model.
void CopyPdb(const TDevParmBlock& src, TDevParmBlock& dst);
// Normalises the block (CheckPDBModels): an entry whose name does not match its model is reset
// to "no device". True when anything changed.
bool CheckPdbModels(TDevParmBlock& pdb);

// The same operations on a block in host memory; a null block does nothing.
void* FullPdb(void* block);
bool CheckPdbModels(void* block);

}  // namespace vdinv
