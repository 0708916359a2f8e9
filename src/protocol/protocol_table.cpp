#include "protocol/protocol_table.h"

#include <cstdio>

#include "common/parameter_block.h"

namespace vdinv::protocol {

int32_t ChMin(uint8_t model, int32_t typeIndex) {
  if (model > kModelP11S || !ValidType(typeIndex)) return -1;
  return kChMin[typeIndex];
}

int32_t ChMax(uint8_t model, int32_t typeIndex) {
  if (model > kModelP11S || !ValidType(typeIndex)) return -1;
  return kChMax[typeIndex];
}

std::string DecimalText(int64_t value, int width) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*lld", width, static_cast<long long>(value));
  return buf;
}

std::string HexText(uint32_t value, int width) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%0*X", width, value);
  return buf;
}

}  // namespace vdinv::protocol
