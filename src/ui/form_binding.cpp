#include "ui/form_binding.h"

#include <algorithm>

#include "common/guard.h"
#include "ui/control_ids.h"

namespace vdinv::ui {

platform::ControlState& FormState::operator[](std::string_view name) {
  auto it = std::find_if(controls.begin(), controls.end(),
                         [&](const auto& control) { return control.first == name; });
  if (it != controls.end()) return it->second;
  return controls.emplace_back(std::string(name), platform::ControlState{}).second;
}

FormState StateOf(const Controls& controls) {
  FormState state;
  state.controls.reserve(controls.All().size());
  for (const auto& [name, control] : controls.All()) {
    platform::ControlState& c = state.controls.emplace_back(name, platform::ControlState{}).second;
    c.text = control.text;
    c.visible = control.visible;
    c.enabled = control.enabled;
    c.checked = control.checked;
  }
  return state;
}

void OptionGroupState(FormState& state, std::string_view group,
                      const std::vector<std::string>& choices, int chosen) {
  for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
    platform::ControlState& option = state[OptionName(group, i)];
    option.text = choices[static_cast<size_t>(i)];
    option.checked = i == chosen;
  }
}

int ClickedOption(const platform::Event& event, std::string_view group, int options) {
  if (event.kind != platform::EventKind::kClicked) return -1;
  for (int i = 0; i < options; ++i) {
    if (event.control == OptionName(group, i)) return i;
  }
  return -1;
}

FormBinder::FormBinder(Actions actions, State state)
    : actions_(std::move(actions)), state_(std::move(state)) {}

void FormBinder::Opened(platform::IForm& form) {
  Guarded(nullptr, "FormBinder", "Opened", [&] { Refresh(form); });
}

void FormBinder::Handle(platform::IForm& form, const platform::Event& event) {
  // A failing action still leaves the window showing what the presenter holds.
  Guarded(nullptr, "FormBinder", "Handle", [&] { actions_(form, event); });
  Guarded(nullptr, "FormBinder", "Refresh", [&] { Refresh(form); });
}

void FormBinder::Refresh(platform::IForm& form) {
  const FormState state = state_();
  for (const auto& [name, control] : state.controls) form.Apply(name, control);
  for (const TimerState& timer : state.timers) {
    TimerState& was = timers_[timer.timer];  // a timer never started counts as stopped
    const bool same =
        was.running == timer.running && (!timer.running || was.interval == timer.interval);
    if (same) continue;
    if (timer.running) {
      form.StartTimer(timer.timer, timer.interval);
    } else {
      form.StopTimer(timer.timer);
    }
    was = timer;
  }
  if (state.clientHeight != 0 && state.clientHeight != clientHeight_) {
    form.SetClientHeight(state.clientHeight);
    clientHeight_ = state.clientHeight;
  }
  if (state.close) form.Close();
}

}  // namespace vdinv::ui
