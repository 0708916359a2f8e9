#include "common/ole_variant.h"

#include <cstring>

#include "platform/text.h"

namespace vdinv {
namespace {

template <class T>
T Read(const TOleVariant& v) {
  T out;
  std::memcpy(&out, v.value, sizeof out);
  return out;
}

// A BSTR longer than this is taken as damaged and cut.
constexpr uint32_t kMaxBstrBytes = 1u << 20;

}  // namespace

TagValue DecodeOleVariant(const TOleVariant& v) {
  switch (v.vt) {
    case 2:
      return TagValue::Integer(Read<int16_t>(v));
    case 3:
    case 22:
      return TagValue::Integer(Read<int32_t>(v));
    case 16:
      return TagValue::Integer(Read<int8_t>(v));
    case 17:
      return TagValue::Integer(Read<uint8_t>(v));
    case 18:
      return TagValue::Integer(Read<uint16_t>(v));
    case 19:
    case 23:
      return TagValue::Integer(Read<uint32_t>(v));
    case 4:
      return TagValue::Double(Read<float>(v));
    case 5:
      return TagValue::Double(Read<double>(v));
    case 11:
      return TagValue::Boolean(Read<int16_t>(v) != 0);
    case 8: {
      const auto* text = Read<const char16_t*>(v);
      if (text == nullptr) return TagValue::String({});
      uint32_t bytes;
      std::memcpy(&bytes, reinterpret_cast<const char*>(text) - sizeof bytes, sizeof bytes);
      if (bytes > kMaxBstrBytes) bytes = kMaxBstrBytes;
      return TagValue::String(platform::Utf16ToGbk(std::u16string_view(text, bytes / 2)));
    }
    case 30: {
      const auto* text = Read<const char*>(v);
      return TagValue::String(text == nullptr ? std::string() : std::string(text));
    }
    default:
      return TagValue();
  }
}

}  // namespace vdinv
