#include "ui/controls.h"

#include <algorithm>
#include <stdexcept>

namespace vdinv::ui {

Control& Controls::Add(std::string name, std::string text) {
  items_.emplace_back(std::move(name), Control{std::move(text)});
  return items_.back().second;
}

const Control& Controls::Get(std::string_view name) const {
  static const Control kMissing{"", false, false, false};
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const auto& item) { return item.first == name; });
  return it == items_.end() ? kMissing : it->second;
}

Control& Controls::operator[](std::string_view name) {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const auto& item) { return item.first == name; });
  // Only the presenter asks for its own controls by name; a wrong name is a programming fault.
  if (it == items_.end()) throw std::logic_error("no such control");
  return it->second;
}

}  // namespace vdinv::ui
