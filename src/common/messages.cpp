#include "common/messages.h"

#include <array>

#include "platform/text.h"

namespace vdinv {
namespace {

constexpr size_t kCount = static_cast<size_t>(Msg::Count);

constexpr std::array<const char*, kCount> kUtf8 = {
#define VDINV_MESSAGE_TEXT(id, text) text,
    VDINV_ALL_MESSAGES(VDINV_MESSAGE_TEXT)
#undef VDINV_MESSAGE_TEXT
};

const std::array<std::string, kCount>& GbkTable() {
  static const std::array<std::string, kCount> table = [] {
    std::array<std::string, kCount> t;
    for (size_t i = 0; i < kCount; ++i) t[i] = platform::Utf8ToGbk(kUtf8[i]);
    return t;
  }();
  return table;
}

}  // namespace

const std::string& Text(Msg id) {
  return GbkTable()[static_cast<size_t>(id)];
}
const char* Utf8Text(Msg id) {
  return kUtf8[static_cast<size_t>(id)];
}

}  // namespace vdinv
