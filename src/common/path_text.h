// The directory part of a path written with either separator, in GBK.
#pragma once

#include <string>
#include <string_view>

namespace vdinv {

// The directory part of a path: everything up to and including its last "/" or "\" (the second
// byte of a GBK double-byte character never counts as one); empty when there is none.
std::string DirectoryPart(std::string_view path);

}  // namespace vdinv
