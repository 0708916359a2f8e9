#include "ui/toolkit_views.h"

#include <utility>

#include "ui/connection_page.h"
#include "ui/debug_form.h"
#include "ui/form_binders.h"
#include "ui/form_plans.h"
#include "ui/installed_views.h"
#include "ui/serial_page.h"
#include "ui/start_page.h"
#include "ui/summary_page.h"
#include "ui/test_window.h"

namespace vdinv::ui {

// Passes the events on to the binder and notes the form they are for, so that message boxes
// and nested windows know the window they are shown over.
class ToolkitViews::Tracking final : public platform::IFormEvents {
 public:
  Tracking(FormBinder& binder, Shown& shown) : binder_(binder), shown_(shown) {}
  void Opened(platform::IForm& form) override {
    shown_.form = &form;
    binder_.Opened(form);
  }
  void Handle(platform::IForm& form, const platform::Event& event) override {
    shown_.form = &form;
    binder_.Handle(form, event);
  }

 private:
  FormBinder& binder_;
  Shown& shown_;
};

ToolkitViews::ToolkitViews(platform::IToolkit& toolkit, std::string deviceName)
    : toolkit_(toolkit), deviceName_(std::move(deviceName)) {}

void ToolkitViews::ShowForm(platform::FormPlan plan, const std::string& caption, FormBinder binder,
                            uintptr_t owner) {
  plan.caption = caption;
  Shown shown{caption};
  Tracking tracking(binder, shown);
  shown_.push_back(&shown);
  // The backends never throw; should one, the window is no longer shown all the same.
  struct Pop {
    std::vector<Shown*>& stack;
    ~Pop() { stack.pop_back(); }
  } pop{shown_};
  toolkit_.ShowModal(plan, tracking, owner);
}

const std::string& ToolkitViews::Caption() const {
  return shown_.empty() ? deviceName_ : shown_.back()->caption;
}

void ToolkitViews::Show(StartPage& page) {
  ShowForm(StartPageForm(), page.Caption(), Bind(page), owner_);
}

void ToolkitViews::Show(ConnectionPage& page) {
  ShowForm(ConnectionPageForm(), page.Caption(), Bind(page), owner_);
}

void ToolkitViews::Show(SingleDevicePage& page) {
  ShowForm(SingleDevicePageForm(), page.Caption(), Bind(page), owner_);
}

void ToolkitViews::Show(DeviceListPage& page) {
  ShowForm(DeviceListPageForm(page.PageMode()), page.Caption(), Bind(page), owner_);
}

void ToolkitViews::Show(SerialPage& page) {
  ShowForm(SerialPageForm(), page.Caption(), Bind(page), owner_);
}

void ToolkitViews::Show(SummaryPage& page) {
  ShowForm(SummaryPageForm(), page.Caption(), Bind(page), owner_);
}

void ToolkitViews::Show(DebugForm& form) {
  platform::IForm* below = shown_.empty() ? nullptr : shown_.back()->form;
  if (below != nullptr) below->Hide();
  ShowForm(DebugFormPlan(), form.Caption(), Bind(form), 0);
  if (below != nullptr) below->Show();
}

void ToolkitViews::Show(TestWindow& window) {
  ShowForm(TestWindowForm(), TestWindow::Caption(), Bind(window), 0);
}

void ToolkitViews::Inform(const std::string& text, bool hideOwner) {
  platform::IForm* owner = hideOwner && !shown_.empty() ? shown_.back()->form : nullptr;
  if (owner != nullptr) owner->Hide();
  toolkit_.MessageBox(Caption(), text, platform::MessageIcon::kInformation);
  if (owner != nullptr) owner->Show();
}

void ToolkitViews::Question(const std::string& text) {
  toolkit_.MessageBox(Caption(), text, platform::MessageIcon::kQuestion);
}

bool ToolkitViews::Confirm(const std::string& text) {
  return toolkit_.Confirm(Caption(), text);
}

void ToolkitViews::OpenHelp(const std::string& path) {
  toolkit_.OpenHelp(path);
}

uintptr_t ToolkitViews::SetOwnerWindow(uintptr_t window) {
  return std::exchange(owner_, window);
}

std::optional<std::string> ToolkitViews::AskSavePath(const std::string& filter,
                                                     const std::string& defaultExtension) {
  // "description|extension"; a filter without an extension of its own takes the default one.
  const size_t bar = filter.find('|');
  std::string description = filter.substr(0, bar);
  std::string extension = bar == std::string::npos ? defaultExtension : filter.substr(bar + 1);
  return toolkit_.AskSavePath(description, extension);
}

bool ToolkitViews::PrintLines(const std::vector<std::string>& lines) {
  return toolkit_.PrintLines(Caption(), lines) != platform::PrintResult::kFailed;
}

AvailableViews::AvailableViews(const std::string& deviceName) : views_(InstalledViews()) {
  if (views_ != nullptr) return;
  if (platform::IToolkit* toolkit = platform::Toolkit()) {
    views_ = &toolkit_.emplace(*toolkit, deviceName);
  }
}

}  // namespace vdinv::ui
