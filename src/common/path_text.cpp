#include "common/path_text.h"

#include "platform/text.h"

namespace vdinv {

std::string DirectoryPart(std::string_view path) {
  size_t end = 0;  // one past the last separator seen
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (platform::IsGbkLeadByte(c) && i + 1 < path.size()) {
      ++i;  // the trail byte may look like "\" but is part of the character
    } else if (c == '/' || c == '\\') {
      end = i + 1;
    }
  }
  return std::string(path.substr(0, end));
}

}  // namespace vdinv
