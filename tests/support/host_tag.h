// A host tag record as a host fills it: identifier, the name "Tag<id>", the address, type and
// scan period.
#pragma once

#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/records.h"

namespace vdinv::test {

inline TTagInfo HostTag(uint32_t id, const char* address, uint8_t type, uint32_t scanPeriod) {
  TTagInfo info{};
  info.TagID = id;
  std::snprintf(info.TagName, sizeof info.TagName, "Tag%u", id);
  // Up to the whole field, without a terminating zero when the address fills it (a plain
  // strncpy of the field's size is refused by GCC's truncation warning in optimised builds).
  std::string_view(address).copy(info.TagAddr, sizeof info.TagAddr);
  info.DataType = type;
  info.ScanPeriod = scanPeriod;
  return info;
}

}  // namespace vdinv::test
