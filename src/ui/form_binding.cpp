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

FormBinder::FormBinder(Actions actions, State state, std::vector<std::string> takenWhenLeft)
    : actions_(std::move(actions)),
      state_(std::move(state)),
      takenWhenLeft_(std::move(takenWhenLeft)) {}

bool FormBinder::TakenWhenLeft(const std::string& control) const {
  return std::find(takenWhenLeft_.begin(), takenWhenLeft_.end(), control) != takenWhenLeft_.end();
}

void FormBinder::TakePendingEdits(platform::IForm& form, const platform::Event& event) {
  using platform::EventKind;
  const bool elsewhere =
      event.kind == EventKind::kClicked || event.kind == EventKind::kDoubleClicked ||
      event.kind == EventKind::kSelected || event.kind == EventKind::kKeyReleased;
  if (!elsewhere) return;
  auto pending = std::move(pending_);
  pending_.clear();
  for (auto& [edit, text] : pending) {
    if (edit == event.control) {
      pending_.emplace_back(edit, text);
      continue;
    }
    platform::Event left;
    left.kind = EventKind::kLeft;
    left.control = edit;
    left.text = text;
    Guarded(nullptr, "FormBinder", "Handle", [&] { actions_(form, left); });
  }
}

void FormBinder::Opened(platform::IForm& form) {
  Guarded(nullptr, "FormBinder", "Opened", [&] { Refresh(form); });
}

void FormBinder::Handle(platform::IForm& form, const platform::Event& event) {
  using platform::EventKind;
  bool forward = true;
  if (TakenWhenLeft(event.control)) {
    auto it = std::find_if(pending_.begin(), pending_.end(),
                           [&](const auto& edit) { return edit.first == event.control; });
    if (event.kind == EventKind::kEdited) {
      if (it == pending_.end()) it = pending_.emplace(pending_.end(), event.control, "");
      it->second = event.text;
    } else if (event.kind == EventKind::kLeft) {
      // Left without typing: the presenter already holds what the edit shows.
      forward = it != pending_.end();
      if (forward) pending_.erase(it);
    }
  }
  TakePendingEdits(form, event);
  // A failing action still leaves the window showing what the presenter holds.
  if (forward) Guarded(nullptr, "FormBinder", "Handle", [&] { actions_(form, event); });
  Guarded(nullptr, "FormBinder", "Refresh", [&] { Refresh(form); });
}

void FormBinder::Refresh(platform::IForm& form) {
  FormState state = state_();
  for (const auto& [edit, text] : pending_) state[edit].text = text;
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
