// Writing a window's description control by control: each control gets its id from the shared
// list of control names, and a window's pieces that recur (the wizard's header and buttons) are
// added by one function each.
#pragma once

#include <string>
#include <string_view>

#include "platform/toolkit.h"

namespace vdinv::ui {

// Heights of a line of text, a push button and a one-line edit.
inline constexpr int kLine = 18;
inline constexpr int kButtonHeight = 25;
inline constexpr int kEditHeight = 22;

// A control's place in pixels at 96 dots per inch, relative to its parent.
struct Place {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

class FormLayout {
 public:
  FormLayout(std::string name, int width, int height, bool topMost);

  // Adds a control inside parent (empty: the window) and returns it for further settings.
  platform::ControlPlan& Add(std::string_view name, platform::ControlKind kind, Place place,
                             std::string_view parent = {});
  // An option group: the group box and an option per item, named group + position, one below
  // the other.
  void AddOptionGroup(std::string_view group, Place place, int options,
                      std::string_view parent = {});

  // The header panel across the top (HeaderPn): the welcome line Label1, the window's
  // instruction or status Label2 and the product label, which stays hidden.
  void AddHeader();

  platform::FormPlan Take() { return std::move(form_); }

 private:
  platform::FormPlan form_;
};

}  // namespace vdinv::ui
