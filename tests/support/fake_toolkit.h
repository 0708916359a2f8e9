// A window toolkit for tests: it keeps every form it is asked to show with what was applied to
// its controls, and plays a script of user actions against the form on top. A form stays open
// while the script has actions; an action that makes a handler open another form is followed by
// the actions of that form until it closes. When the script runs out, the open forms are closed
// by their frames. Message boxes, dialogs and help files opened are recorded; the user's actions
// are checked the way a real window would refuse them (a control that does not exist, is hidden or
// disabled, a timer that is not running), and so are the binder's states: a control applied that
// the form does not have, a control left without a state when the form opens. Each such fault
// is kept in Faults().
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/toolkit.h"

namespace vdinv::test {

// One user action; made by the functions below.
struct UserAction {
  enum class Kind { kEvent, kFrameClose, kCall };
  Kind kind = Kind::kEvent;
  platform::Event event;
  std::function<void()> call;
};

inline UserAction Click(std::string control) {
  UserAction a;
  a.event.kind = platform::EventKind::kClicked;
  a.event.control = std::move(control);
  return a;
}
inline UserAction DoubleClick(std::string control) {
  UserAction a = Click(std::move(control));
  a.event.kind = platform::EventKind::kDoubleClicked;
  return a;
}
// Types a text into an edit (an edit event with the whole new text).
inline UserAction Type(std::string control, std::string text) {
  UserAction a = Click(std::move(control));
  a.event.kind = platform::EventKind::kEdited;
  a.event.text = std::move(text);
  return a;
}
// Leaves an edit with the text it shows.
inline UserAction Leave(std::string control) {
  UserAction a = Click(std::move(control));
  a.event.kind = platform::EventKind::kLeft;
  return a;
}
inline UserAction Select(std::string control, int index) {
  UserAction a = Click(std::move(control));
  a.event.kind = platform::EventKind::kSelected;
  a.event.index = index;
  return a;
}
inline UserAction FireTimer(int timer) {
  UserAction a;
  a.event.kind = platform::EventKind::kTimer;
  a.event.timer = timer;
  return a;
}
inline UserAction Activate() {
  UserAction a;
  a.event.kind = platform::EventKind::kActivated;
  return a;
}
inline UserAction CloseByFrame() {
  UserAction a;
  a.kind = UserAction::Kind::kFrameClose;
  return a;
}
// Runs code of the test between two actions (the clock moving on, a check of the moment).
inline UserAction Call(std::function<void()> call) {
  UserAction a;
  a.kind = UserAction::Kind::kCall;
  a.call = std::move(call);
  return a;
}

class FakeForm : public platform::IForm {
 public:
  FakeForm(const platform::FormPlan& plan, uintptr_t owner, std::vector<std::string>& faults)
      : plan_(plan), owner_(owner), caption_(plan.caption), height_(plan.height), faults_(faults) {}

  void Apply(const std::string& control, const platform::ControlState& state) override {
    if (Plan(control) == nullptr)
      faults_.push_back(plan_.name + ": applied to no control " + control);
    states_[control] = state;
  }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  void SetClientHeight(int height) override { height_ = height; }
  void StartTimer(int timer, uint32_t intervalMs) override { timers_[timer] = intervalMs; }
  void StopTimer(int timer) override { timers_.erase(timer); }
  void Hide() override { hidden_ = true; }
  void Show() override { hidden_ = false; }
  void Close() override { closing_ = true; }

  const platform::FormPlan& Plan() const { return plan_; }
  const platform::ControlPlan* Plan(const std::string& control) const {
    for (const platform::ControlPlan& c : plan_.controls) {
      if (c.name == control) return &c;
    }
    return nullptr;
  }
  // What was last applied to a control (a default state when nothing was).
  const platform::ControlState& State(const std::string& control) const {
    static const platform::ControlState kNone;
    auto it = states_.find(control);
    return it == states_.end() ? kNone : it->second;
  }
  platform::ControlState& MutableState(const std::string& control) { return states_[control]; }
  bool Applied(const std::string& control) const { return states_.count(control) != 0; }
  // Visible and enabled, with every group or panel that holds it visible.
  bool Usable(const std::string& control) const {
    const platform::ControlPlan* plan = Plan(control);
    if (plan == nullptr || !State(control).visible || !State(control).enabled) return false;
    return plan->parent.empty() || Shown(plan->parent);
  }
  bool Shown(const std::string& control) const {
    const platform::ControlPlan* plan = Plan(control);
    return plan != nullptr && State(control).visible &&
           (plan->parent.empty() || Shown(plan->parent));
  }
  uintptr_t Owner() const { return owner_; }
  const std::string& Caption() const { return caption_; }
  int ClientHeight() const { return height_; }
  bool TimerRunning(int timer) const { return timers_.count(timer) != 0; }
  uint32_t TimerInterval(int timer) const { return timers_.count(timer) ? timers_.at(timer) : 0; }
  bool Hidden() const { return hidden_; }
  bool Closing() const { return closing_; }
  bool Closed() const { return closed_; }
  void MarkClosed() { closed_ = true; }

 private:
  platform::FormPlan plan_;
  uintptr_t owner_;
  std::string caption_;
  int height_;
  std::map<std::string, platform::ControlState> states_;
  std::map<int, uint32_t> timers_;
  bool hidden_ = false;
  bool closing_ = false;
  bool closed_ = false;
  std::vector<std::string>& faults_;
};

struct ShownMessage {
  std::string caption;
  std::string text;
  platform::MessageIcon icon;
  std::string over;         // the form on top when it was shown
  bool overHidden = false;  // that form was hidden meanwhile
};

class FakeToolkit : public platform::IToolkit {
 public:
  void Script(std::vector<UserAction> actions) {
    for (UserAction& a : actions) script_.push_back(std::move(a));
  }

  void ShowModal(const platform::FormPlan& plan, platform::IFormEvents& events,
                 uintptr_t owner) override {
    FakeForm& form = *forms_.emplace_back(std::make_unique<FakeForm>(plan, owner, faults_));
    open_.push_back(&form);
    events.Opened(form);
    // Every control but a plain panel shows a text or a state of the presenter from the start.
    for (const platform::ControlPlan& c : plan.controls) {
      if (c.kind != platform::ControlKind::kPanel && !form.Applied(c.name))
        faults_.push_back(plan.name + ": nothing applied to " + c.name + " when opened");
    }
    while (!form.Closing()) {
      if (script_.empty()) {
        Deliver(form, events, FrameEvent());
        break;
      }
      UserAction action = std::move(script_.front());
      script_.pop_front();
      if (action.kind == UserAction::Kind::kCall) {
        action.call();
      } else if (action.kind == UserAction::Kind::kFrameClose) {
        Deliver(form, events, FrameEvent());
        break;
      } else {
        Deliver(form, events, UserEvent(form, action.event));
      }
    }
    form.MarkClosed();
    open_.pop_back();
  }

  void MessageBox(const std::string& caption, const std::string& text,
                  platform::MessageIcon icon) override {
    const FakeForm* over = open_.empty() ? nullptr : open_.back();
    messages_.push_back(
        {caption, text, icon, over ? over->Plan().name : "", over != nullptr && over->Hidden()});
  }
  bool Confirm(const std::string& caption, const std::string& text) override {
    MessageBox(caption, text, platform::MessageIcon::kQuestion);
    return confirmAnswer;
  }
  std::optional<std::string> AskSavePath(const std::string& description,
                                         const std::string& extension) override {
    askedSave_.emplace_back(description, extension);
    return savePath;
  }
  platform::PrintResult PrintLines(const std::string& title,
                                   const std::vector<std::string>& lines) override {
    printed_.emplace_back(title, lines);
    return platform::PrintResult::kPrinted;
  }
  void OpenHelp(const std::string& path) override { helpFiles_.push_back(path); }

  // Every form shown, in the order they were opened; the first one of a name (a test that
  // asks for a form that was never shown fails with the exception).
  const std::vector<std::unique_ptr<FakeForm>>& Forms() const { return forms_; }
  const FakeForm& Form(const std::string& name) const {
    for (const auto& f : forms_) {
      if (f->Plan().name == name) return *f;
    }
    throw std::out_of_range("no form " + name);
  }
  // The form on top of the open ones.
  const FakeForm& Top() const { return *open_.back(); }
  std::vector<std::string> FormNames() const {
    std::vector<std::string> names;
    for (const auto& f : forms_) names.push_back(f->Plan().name);
    return names;
  }
  const std::vector<ShownMessage>& Messages() const { return messages_; }
  const std::vector<std::pair<std::string, std::string>>& AskedSave() const { return askedSave_; }
  const std::vector<std::pair<std::string, std::vector<std::string>>>& Printed() const {
    return printed_;
  }
  const std::vector<std::string>& HelpFiles() const { return helpFiles_; }
  const std::vector<std::string>& Faults() const { return faults_; }
  size_t ActionsLeft() const { return script_.size(); }

  std::optional<std::string> savePath;
  bool confirmAnswer = true;  // what Confirm answers

 private:
  static platform::Event FrameEvent() {
    platform::Event e;
    e.kind = platform::EventKind::kFrameClosed;
    return e;
  }

  // The event a control sends for the user's action, after the control has changed as the
  // real one would; nothing when the action is refused.
  std::optional<platform::Event> UserEvent(FakeForm& form, platform::Event event) {
    using platform::EventKind;
    if (event.kind == EventKind::kTimer) {
      if (!form.TimerRunning(event.timer)) return Fault(form, "timer not running");
      return event;
    }
    if (event.control.empty()) return event;
    if (!form.Usable(event.control)) return Fault(form, "cannot use " + event.control);
    platform::ControlState& state = form.MutableState(event.control);
    const platform::ControlKind kind = form.Plan(event.control)->kind;
    switch (event.kind) {
      case EventKind::kClicked:
        if (kind == platform::ControlKind::kCheck) state.checked = !state.checked;
        if (kind == platform::ControlKind::kRadio) state.checked = true;
        event.checked = state.checked;
        break;
      case EventKind::kEdited:
        state.text = event.text;
        break;
      case EventKind::kLeft:
        event.text = state.text;
        break;
      case EventKind::kSelected:
        if (event.index < 0 || event.index >= static_cast<int>(state.items.size()))
          return Fault(form, "no item " + std::to_string(event.index) + " in " + event.control);
        state.index = event.index;
        break;
      default:
        break;
    }
    return event;
  }

  std::optional<platform::Event> Fault(const FakeForm& form, const std::string& what) {
    faults_.push_back(form.Plan().name + ": " + what);
    return std::nullopt;
  }

  static void Deliver(FakeForm& form, platform::IFormEvents& events,
                      const std::optional<platform::Event>& event) {
    if (event) events.Handle(form, *event);
  }

  std::deque<UserAction> script_;
  std::vector<std::unique_ptr<FakeForm>> forms_;
  std::vector<FakeForm*> open_;
  std::vector<ShownMessage> messages_;
  std::vector<std::pair<std::string, std::string>> askedSave_;
  std::vector<std::pair<std::string, std::vector<std::string>>> printed_;
  std::vector<std::string> helpFiles_;
  std::vector<std::string> faults_;
};

}  // namespace vdinv::test
