// Pieces the wizard's windows share: the catalogue's texts in UTF-8,
// the header every page shows, and the reading of numbers typed into an edit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/messages.h"
#include "ui/ui_context.h"

namespace vdinv::ui {

// A catalogue text in UTF-8, as the presenters hand texts to a toolkit.
inline std::string U8(Msg id) {
  return Utf8Text(id);
}

// The header label of every wizard page: "欢迎使用" + DeviceName + "配置向导".
std::string WizardHeader(const UiContext& context);

// The decimal number an edit holds: optional blanks before it, an optional sign and digits,
// nothing after them; no value for any other text or a number beyond 32 bits.
std::optional<int32_t> DecimalValue(std::string_view text);

// The number of an edit, fallback when it holds none, clamped to lo..hi.
int32_t ClampedNumber(std::string_view text, int32_t fallback, int32_t lo, int32_t hi);

}  // namespace vdinv::ui
