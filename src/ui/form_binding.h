// Binding a window to its presenter: the toolkit's events become the presenter's actions, and
// after every event the presenter's state is applied back to the window (the toolkit changes
// only what differs), its timers are started or stopped and the window is closed when the
// presenter asks. Each window gives two functions: its actions and its state.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/toolkit.h"
#include "ui/controls.h"

namespace vdinv::ui {

struct TimerState {
  int timer = 0;
  bool running = false;
  uint32_t interval = 0;
};

// What a window shows at one moment, as its presenter says.
struct FormState {
  std::vector<std::pair<std::string, platform::ControlState>> controls;
  std::vector<TimerState> timers;
  int clientHeight = 0;  // 0: the height the window was described with
  bool close = false;

  // The state of the named control, added (visible and enabled) when not there yet.
  platform::ControlState& operator[](std::string_view name);
};

// The presenter's registered controls: caption or text, visible, enabled, ticked.
FormState StateOf(const Controls& controls);

// Whether an event is a click on, or an edit of, the named control.
inline bool Clicked(const platform::Event& event, std::string_view control) {
  return event.kind == platform::EventKind::kClicked && event.control == control;
}
inline bool Edited(const platform::Event& event, std::string_view control) {
  return event.kind == platform::EventKind::kEdited && event.control == control;
}

// An option group's options, named group + position: their texts and the chosen one.
void OptionGroupState(FormState& state, std::string_view group,
                      const std::vector<std::string>& choices, int chosen);
// The position of the option of a group that an event clicked, or -1.
int ClickedOption(const platform::Event& event, std::string_view group, int options);

class FormBinder final : public platform::IFormEvents {
 public:
  // The presenter's action for an event; it may close the form itself.
  using Actions = std::function<void(platform::IForm& form, const platform::Event& event)>;
  using State = std::function<FormState()>;

  // takenWhenLeft: the edits whose text the presenter takes when they are left (kLeft), not at
  // each keystroke. Until then they show what is being typed; an edit left without having been
  // typed into is not taken; and a click, a choice or a key anywhere else in the window (a
  // button, Enter's default button) takes every such edit first, so that no typed text is lost
  // to the focus still being in the edit.
  FormBinder(Actions actions, State state, std::vector<std::string> takenWhenLeft = {});

  // Both run in the guard: an exception of the presenter never reaches the toolkit.
  void Opened(platform::IForm& form) override;
  void Handle(platform::IForm& form, const platform::Event& event) override;

 private:
  void Refresh(platform::IForm& form);
  bool TakenWhenLeft(const std::string& control) const;
  // Hands every edit typed into (but the one the event comes from) to the presenter as left.
  void TakePendingEdits(platform::IForm& form, const platform::Event& event);

  Actions actions_;
  State state_;
  std::vector<std::string> takenWhenLeft_;
  std::vector<std::pair<std::string, std::string>> pending_;  // edit, text typed, in typing order
  std::map<int, TimerState> timers_;                          // as last started or stopped
  int clientHeight_ = 0;
};

}  // namespace vdinv::ui
