#include "ui/wizard_page.h"

#include <utility>

#include "common/messages.h"
#include "ui/control_ids.h"

namespace vdinv::ui {

WizardPageBase::WizardPageBase(WizardRun& run, const UiContext& context, IViews& views,
                               uint8_t ownPage, std::string_view caption, bool cancelClearsChanged)
    : run_(run),
      context_(context),
      views_(views),
      ownPage_(ownPage),
      cancelClearsChanged_(cancelClearsChanged),
      caption_(context.deviceName + std::string(caption)) {
  // A page closed by other means than its own buttons ends the wizard.
  run_.SetNextPage(kPageEnd);
  controls_.Add(names::Label1, WizardHeader(context));
  // The product record's text is loaded but, as on every page, not shown.
  controls_.Add(names::ProductLabel, context.productText).visible = false;
}

Control& WizardPageBase::AddOption(std::string name, std::string text) {
  options_.push_back(name);
  return controls_.Add(std::move(name), std::move(text));
}

void WizardPageBase::Choose(std::string_view option) {
  for (const std::string& name : options_) controls_[name].checked = option == name;
}

void WizardPageBase::OptionDoubleClicked(std::string_view option) {
  Choose(option);
  Next();
}

void WizardPageBase::Back() {
  run_.GoBack();
  closeRequested_ = true;
}

void WizardPageBase::Cancel() {
  run_.Cancel(cancelClearsChanged_);
  closeRequested_ = true;
}

void WizardPageBase::GoNext(uint8_t successor) {
  run_.GoNext(ownPage_, successor);
  closeRequested_ = true;
}

}  // namespace vdinv::ui
