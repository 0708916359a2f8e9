// Log lines on Linux carry the fixed date and time formats.
#include "platform/datetime.h"

namespace vdinv::platform {

std::string SystemDateTimeText(const LocalDateTime& t) {
  return FormatDateTime(t);
}

}  // namespace vdinv::platform
