// Records that cross the module boundary, as include/VD_Inv.h lays them out for hosts (packed,
// little-endian; the same sizes and offsets on 32- and 64-bit targets, checked there), made
// known in the driver's namespace.
#pragma once

#include <cstdint>

#include "VD_Inv.h"

namespace vdinv {

using ::TOleVariant;
using ::TTagAddrTemplate;
using ::TTagInfo;
using ::TTagValue;

// Tag value types of DataType.
enum TagDataType : uint8_t {
  kAnalog = VDINV_ANALOG,
  kSwitch = VDINV_SWITCH,
  kString = VDINV_STRING
};

}  // namespace vdinv
