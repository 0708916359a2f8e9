#include "common/number_text.h"

#include <charconv>

namespace vdinv {
namespace {

// Digits of a non-negative number, zero-padded on the left to at least width digits.
std::string Padded(uint64_t magnitude, int base, int width, bool negative) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, magnitude, base);
  (void)ec;  // 24 characters hold any 64-bit number
  auto count = static_cast<size_t>(end - digits);
  size_t pad = width > 0 && static_cast<size_t>(width) > count ? width - count : 0;
  std::string text;
  text.reserve(pad + count + 1);
  if (negative) text += '-';
  text.append(pad, '0');
  for (const char* c = digits; c != end; ++c) {
    text += (*c >= 'a' && *c <= 'f') ? static_cast<char>(*c - 'a' + 'A') : *c;
  }
  return text;
}

}  // namespace

std::string DecimalText(int64_t value, int width) {
  bool negative = value < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  return Padded(magnitude, 10, width, negative);
}

std::string HexText(uint32_t value, int width) {
  return Padded(value, 16, width, false);
}

}  // namespace vdinv
