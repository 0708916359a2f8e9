// The UTF-8 sequence rule shared by the backends' text conversions.
#pragma once

#include <cstddef>
#include <string_view>

namespace vdinv::platform::internal {

// Length of the valid UTF-8 sequence at the start of bytes, or 0 when it is not one (no
// overlong forms, no surrogates, nothing above U+10FFFF).
size_t Utf8SequenceLength(std::string_view bytes);

}  // namespace vdinv::platform::internal
