// The numeric word a tag's value becomes in a frame: rounding to nearest with ties to even,
// into the signed 32-bit range.
#pragma once

#include <cstdint>
#include <optional>

#include "common/tag_value.h"

namespace vdinv::protocol {

// The nearest integer, ties to the even one, whatever the processor's rounding mode.
double RoundHalfEven(double value);
// The value rounded (ties to even) when it is finite and the result fits 32 bits signed.
std::optional<int32_t> RoundToInt32(double value);
// The word of a value: numbers rounded, Booleans 1 or 0, a text that reads as a number its
// number, empty 0; nothing for any other text or a number outside 32 bits.
std::optional<int32_t> ValueWord(const TagValue& value);

}  // namespace vdinv::protocol
