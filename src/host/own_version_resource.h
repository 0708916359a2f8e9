// The driver's own version entries, compiled into the module: its identity and the words it
// uses for the parts of a tag address.
#pragma once

#include "platform/version_resource.h"

namespace vdinv::host {

// The driver's version resource (GBK texts, fixed version from the build).
const platform::VersionResource& OwnVersionResource();

}  // namespace vdinv::host
