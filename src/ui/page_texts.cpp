#include "ui/page_texts.h"

#include <algorithm>
#include <charconv>

namespace vdinv::ui {

std::string WizardHeader(const UiContext& context) {
  return U8(Msg::UiWelcome) + context.deviceName + U8(Msg::UiWizardSuffix);
}

std::optional<int32_t> DecimalValue(std::string_view text) {
  size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return std::nullopt;
  text.remove_prefix(start);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // from_chars takes a minus sign but no plus, and a lone sign is no number.
  if (text.empty() || text.front() == '+') return std::nullopt;
  int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int32_t ClampedNumber(std::string_view text, int32_t fallback, int32_t lo, int32_t hi) {
  return std::clamp(DecimalValue(text).value_or(fallback), lo, hi);
}

}  // namespace vdinv::ui
