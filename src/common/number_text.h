// The text forms of numbers in frames and messages: zero-padded decimal and hexadecimal.
#pragma once

#include <cstdint>
#include <string>

namespace vdinv {

// "%.*d": at least width digits, zero-padded, a leading minus for negative numbers.
std::string DecimalText(int64_t value, int width);
// Upper-case hexadecimal of the value taken as unsigned 32-bit, zero-padded to width digits.
std::string HexText(uint32_t value, int width);

}  // namespace vdinv
