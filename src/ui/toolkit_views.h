// The views over the system's window toolkit: each presenter's window is shown from its
// description (form_plans.h) with its binder (form_binders.h); message boxes carry the caption of
// the window they are shown over.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit.h"
#include "ui/views.h"

namespace vdinv::ui {

class FormBinder;

class ToolkitViews final : public IViews {
 public:
  // deviceName: the caption of a message box shown over no window.
  ToolkitViews(platform::IToolkit& toolkit, std::string deviceName);

  void Show(StartPage& page) override;
  void Show(ConnectionPage& page) override;
  void Show(SingleDevicePage& page) override;
  void Show(DeviceListPage& page) override;
  void Show(SerialPage& page) override;
  void Show(SummaryPage& page) override;
  // Over the start page, which is hidden meanwhile.
  void Show(DebugForm& form) override;
  // Owned by no window.
  void Show(TestWindow& window) override;

  void Inform(const std::string& text, bool hideOwner) override;
  void Question(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void OpenHelp(const std::string& path) override;
  uintptr_t SetOwnerWindow(uintptr_t window) override;
  std::optional<std::string> AskSavePath(const std::string& filter,
                                         const std::string& defaultExtension) override;
  bool PrintLines(const std::vector<std::string>& lines) override;

 private:
  // A window being shown: the form the toolkit handed to its binder, once it has.
  struct Shown {
    std::string caption;
    platform::IForm* form = nullptr;
  };
  class Tracking;

  void ShowForm(platform::FormPlan plan, const std::string& caption, FormBinder binder,
                uintptr_t owner);
  // The caption of the window shown last, or the driver's name.
  const std::string& Caption() const;

  platform::IToolkit& toolkit_;
  std::string deviceName_;
  uintptr_t owner_ = 0;
  std::vector<Shown*> shown_;
};

// The views for a window of the configuration side: the installed views when there are, else
// the system toolkit's, else none. The toolkit is asked for only when there are no installed
// views, so a test's views keep windows from being shown.
class AvailableViews {
 public:
  explicit AvailableViews(const std::string& deviceName);
  AvailableViews(const AvailableViews&) = delete;
  AvailableViews& operator=(const AvailableViews&) = delete;

  IViews* Get() { return views_; }

 private:
  std::optional<ToolkitViews> toolkit_;
  IViews* views_ = nullptr;
};

}  // namespace vdinv::ui
