// Length-prefixed texts of stored records ("short strings": one length byte, then up to N
// bytes of GBK text) and byte-counted cuts that never split a double-byte character.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vdinv {

// The longest prefix of text of at most maxBytes bytes that does not end inside a GBK
// double-byte character.
std::string_view GbkPrefix(std::string_view text, size_t maxBytes);

// The text of a fixed-size field up to its first zero byte, or the whole field without one.
std::string_view FieldText(const char* field, size_t fieldSize);

// The text with the ASCII letters a-z upper-cased; the second bytes of GBK double-byte
// characters are left alone.
std::string GbkUpper(std::string_view text);

#pragma pack(push, 1)
template <size_t N>
struct ShortString {
  uint8_t length;
  std::array<char, N> bytes;

  // The stored text; a length byte larger than N counts as N.
  std::string Get() const {
    size_t n = length <= N ? length : N;
    return std::string(bytes.data(), n);
  }
  // Stores at most N bytes of text (cut on a character boundary); bytes beyond are untouched.
  void Set(std::string_view text) {
    std::string_view cut = GbkPrefix(text, N);
    length = static_cast<uint8_t>(cut.size());
    for (size_t i = 0; i < cut.size(); ++i) bytes[i] = cut[i];
  }
};
#pragma pack(pop)

}  // namespace vdinv
