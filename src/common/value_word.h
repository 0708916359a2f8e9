// The numeric word a tag's value becomes in a frame: rounding to nearest with ties to even,
// into the signed 32-bit range, and the inverter's 16-bit data word.
#pragma once

#include <cstdint>
#include <optional>

#include "common/tag_value.h"

namespace vdinv {

// The nearest integer, ties to the even one, whatever the processor's rounding mode.
double RoundHalfEven(double value);
// The value rounded (ties to even) when it is finite and the result fits 32 bits signed.
std::optional<int32_t> RoundToInt32(double value);
// The word of a value: numbers rounded, Booleans 1 or 0, a text that reads as a number its
// number, empty 0; nothing for any other text or a number outside 32 bits.
std::optional<int32_t> ValueWord(const TagValue& value);
// The data word of an analog value (four hexadecimal digits on the line): the word of the value
// when it is 0..65535 after rounding; nothing otherwise (NaN and infinities included).
std::optional<uint16_t> AnalogWord(const TagValue& value);

}  // namespace vdinv
