// A host tag record as a host fills it: identifier, the name "Tag<id>", the address, type and
// scan period.
#pragma once

#include <cstdio>
#include <cstring>

#include "common/records.h"

namespace vdinv::test {

inline TTagInfo HostTag(uint32_t id, const char* address, uint8_t type, uint32_t scanPeriod) {
  TTagInfo info{};
  info.TagID = id;
  std::snprintf(info.TagName, sizeof info.TagName, "Tag%u", id);
  std::strncpy(info.TagAddr, address, sizeof info.TagAddr);
  info.DataType = type;
  info.ScanPeriod = scanPeriod;
  return info;
}

}  // namespace vdinv::test
