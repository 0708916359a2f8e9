#include "common/value_word.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vdinv {

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  double floor = std::floor(value);
  double fraction = value - floor;  // exact: the fraction of a double is representable
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) floor += 1.0;
  return floor;
}

std::optional<int32_t> RoundToInt32(double value) {
  double rounded = RoundHalfEven(value);
  if (!std::isfinite(rounded) || rounded < std::numeric_limits<int32_t>::min() ||
      rounded > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(rounded);
}

std::optional<int32_t> ValueWord(const TagValue& value) {
  if (value.IsEmpty()) return 0;
  if (value.IsInteger()) {
    int64_t n = value.AsInteger();
    if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) {
      return std::nullopt;
    }
    return static_cast<int32_t>(n);
  }
  if (value.IsDouble()) return RoundToInt32(value.AsDouble());
  if (value.IsBoolean()) return value.AsBoolean() ? 1 : 0;
  const std::string& text = value.AsString();
  double number = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return RoundToInt32(number);
}

std::optional<uint16_t> AnalogWord(const TagValue& value) {
  const std::optional<int32_t> word = ValueWord(value);
  if (!word || *word < 0 || *word > std::numeric_limits<uint16_t>::max()) return std::nullopt;
  return static_cast<uint16_t>(*word);
}

}  // namespace vdinv
