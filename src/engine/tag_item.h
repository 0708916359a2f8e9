// The engine's record of one accepted host tag.
#pragma once

#include <cstdint>
#include <string>

#include "common/parameter_block.h"
#include "common/tag_value.h"

namespace vdinv {

struct TTagItem {
  uint32_t TagID = 0;
  int32_t ListIndex = 0;
  std::string TagName;  // GBK, at most 32 bytes
  std::string TagAddr;  // GBK, at most 64 bytes
  uint8_t DataType = 0;
  std::string TypeText;  // upper-case type prefix; an internal tag's whole address
  int32_t TypeIndex = -1;
  uint32_t ScanPeriod = 0;
  uint32_t LastReportTick = 0;
  TagValue Value;
  TagValue ReportedValue;
  TagValue SavedValue;
  uint32_t ReportedQuality = 0;
  double WriteNumber = 0;
  int32_t BitID = -1;
  int32_t ChID = -1;
  int32_t DevID = -1;
  int32_t ThirdSegID = 0;
  int32_t FourSegID = 0;
  int32_t FiveSegID = 0;
  uint8_t Model = kModelNone;  // a ModelCode; the device's entry decides
  uint32_t Quality = 0;
  bool IsInternal = false;
  uint32_t ReadCount = 0;
  uint32_t ReadFailCount = 0;
  uint32_t WriteCount = 0;
  uint32_t WriteFailCount = 0;
  bool Writable = false;
};

}  // namespace vdinv
