#include "common/short_string.h"

#include <cstring>

#include "platform/text.h"

namespace vdinv {

std::string_view GbkPrefix(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  // Walk the characters from the start: a lead byte 0x81..0xFE opens a two-byte character.
  size_t pos = 0;
  while (pos < maxBytes) {
    auto byte = static_cast<unsigned char>(text[pos]);
    size_t width = (platform::IsGbkLeadByte(byte) && pos + 1 < text.size()) ? 2 : 1;
    if (pos + width > maxBytes) break;
    pos += width;
  }
  return text.substr(0, pos);
}

std::string_view FieldText(const char* field, size_t fieldSize) {
  const void* zero = std::memchr(field, 0, fieldSize);
  size_t n = zero ? static_cast<size_t>(static_cast<const char*>(zero) - field) : fieldSize;
  return std::string_view(field, n);
}

std::string GbkUpper(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    auto byte = static_cast<unsigned char>(out[i]);
    if (platform::IsGbkLeadByte(byte)) {
      ++i;  // skip the second byte of a double-byte character
    } else if (byte >= 'a' && byte <= 'z') {
      out[i] = static_cast<char>(byte - 'a' + 'A');
    }
  }
  return out;
}

}  // namespace vdinv
