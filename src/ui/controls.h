// What a view shows of a presenter's controls: each control by its name in the window (NextBtn,
// Label1, EnDebugChk, ...) with its caption and its visible, enabled and ticked state. The view
// reads them after every action it forwards; the presenter alone changes them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vdinv::ui {

struct Control {
  std::string text;  // UTF-8
  bool visible = true;
  bool enabled = true;
  bool checked = false;  // a ticked check box or the chosen option of a group
};

class Controls {
 public:
  // Adds a control (names are unique within a window) and returns it for further settings.
  Control& Add(std::string name, std::string text);
  // The named control; a name the window does not have reads as a hidden, empty control.
  const Control& Get(std::string_view name) const;
  Control& operator[](std::string_view name);
  const std::vector<std::pair<std::string, Control>>& All() const { return items_; }

 private:
  std::vector<std::pair<std::string, Control>> items_;
};

}  // namespace vdinv::ui
