#include "common/path_text.h"

namespace vdinv {
namespace {

// First byte of a GBK double-byte character.
bool IsGbkLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}

}  // namespace

std::string DirectoryPart(std::string_view path) {
  size_t end = 0;  // one past the last separator seen
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (IsGbkLeadByte(c) && i + 1 < path.size()) {
      ++i;  // the trail byte may look like "\" but is part of the character
    } else if (c == '/' || c == '\\') {
      end = i + 1;
    }
  }
  return std::string(path.substr(0, end));
}

}  // namespace vdinv
