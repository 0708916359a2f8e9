// The size-limited reads of files.h, on the backend's ReadAtMostOneOver.
#include "platform/file_reads.h"

#include "platform/files.h"

namespace vdinv::platform {

using internal::ReadAtMostOneOver;

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
  try {
    std::optional<std::string> content = ReadAtMostOneOver(path, maxBytes);
    if (content && content->size() > maxBytes) return std::nullopt;
    return content;
  } catch (...) {  // std::bad_alloc
    return std::nullopt;
  }
}

std::optional<std::string> ReadFileHead(const std::string& path, size_t maxBytes) {
  try {
    std::optional<std::string> content = ReadAtMostOneOver(path, maxBytes);
    if (content && content->size() > maxBytes) {
      content->resize(maxBytes);
      const size_t lastLineEnd = content->rfind('\n');
      content->resize(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
    }
    return content;
  } catch (...) {  // std::bad_alloc
    return std::nullopt;
  }
}

}  // namespace vdinv::platform
