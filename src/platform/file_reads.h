// What each backend supplies for the size-limited reads of files.h.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vdinv::platform::internal {

// Reads the regular file from its start until its end or until more than maxBytes are in
// (then maxBytes + 1 bytes are handed back, so the caller sees that there was more). The file's
// reported size is not trusted: the kernel's files report 0 and a growing file may be longer.
// Nothing when the path is not a regular file or reading fails.
std::optional<std::string> ReadAtMostOneOver(const std::string& path, size_t maxBytes);

}  // namespace vdinv::platform::internal
