// What every wizard page shares: its caption (DeviceName and the page's own caption), the header
// "欢迎使用" + DeviceName + "配置向导", the hidden product label, and "上一步" and "取消". Every
// control a view builds is registered by its name in the window (AllControls); lists, trees,
// notes and edit texts are read through the page's own getters. A page
// names the next page to show through the wizard run and asks its view to close; when the view
// closes it otherwise (its frame), the next page stays 8 and the wizard ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls.h"
#include "ui/page_texts.h"
#include "ui/ui_context.h"
#include "ui/views.h"
#include "ui/wizard_run.h"

namespace vdinv::ui {

class WizardPageBase {
 public:
  WizardPageBase(const WizardPageBase&) = delete;
  WizardPageBase& operator=(const WizardPageBase&) = delete;

  const std::string& Caption() const { return caption_; }
  const Control& Get(std::string_view name) const { return controls_.Get(name); }
  const Controls& AllControls() const { return controls_; }
  // True once an action has asked the view to close the page.
  bool CloseRequested() const { return closeRequested_; }

  // Chooses one option of the page's option group.
  void Choose(std::string_view option);
  // A double click on an option chooses it and acts as "下一步".
  void OptionDoubleClicked(std::string_view option);
  // "下一步": the page's successor and edits.
  virtual void Next() = 0;
  // "上一步": back to the page last left with "下一步".
  void Back();
  // "取消": the wizard ends; every page but the start page also clears the changed flag.
  void Cancel();

 protected:
  // ownPage: the page's number; caption: the page's own caption after DeviceName.
  WizardPageBase(WizardRun& run, const UiContext& context, IViews& views, uint8_t ownPage,
                 std::string_view caption, bool cancelClearsChanged);
  ~WizardPageBase() = default;

  // "下一步": remembers this page for "上一步", names the successor and closes.
  void GoNext(uint8_t successor);
  // Asks the view to close the page once the action has named the next page itself.
  void RequestClose() { closeRequested_ = true; }
  // Adds an option of the page's one option group.
  Control& AddOption(std::string name, std::string text);
  bool Chosen(std::string_view option) const { return controls_.Get(option).checked; }

  WizardRun& run_;
  const UiContext& context_;
  IViews& views_;
  Controls controls_;

 private:
  uint8_t ownPage_;
  bool cancelClearsChanged_;
  std::string caption_;
  bool closeRequested_ = false;
  std::vector<std::string> options_;
};

}  // namespace vdinv::ui
