#include "common/device_types.h"

#include "common/parameter_block.h"

namespace vdinv {

int32_t ChMin(uint8_t model, int32_t typeIndex) {
  if (model > kModelP11S || !ValidType(typeIndex)) return -1;
  return kChMin[typeIndex];
}

int32_t ChMax(uint8_t model, int32_t typeIndex) {
  if (model > kModelP11S || !ValidType(typeIndex)) return -1;
  return kChMax[typeIndex];
}

}  // namespace vdinv
