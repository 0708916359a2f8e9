#include "platform/utf8_sequence.h"

#include "platform/text.h"

namespace vdinv::platform {
namespace internal {

size_t Utf8SequenceLength(std::string_view bytes) {
  if (bytes.empty()) return 0;
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  if (b0 < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;   // no overlong forms
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  const auto b1 = static_cast<unsigned char>(bytes[1]);
  if (b1 < low || b1 > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80 || b > 0xBF) return 0;
  }
  return length;
}

}  // namespace internal

bool IsValidUtf8(std::string_view bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t length = internal::Utf8SequenceLength(bytes.substr(pos));
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

}  // namespace vdinv::platform
