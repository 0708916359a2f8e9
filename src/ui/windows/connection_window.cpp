// The connection page: one device, several devices or every device, each with its notes.
#include "ui/connection_page.h"
#include "ui/control_ids.h"
#include "ui/form_binders.h"
#include "ui/form_plans.h"
#include "ui/windows/wizard_window.h"

namespace vdinv::ui {

using platform::Event;
using platform::EventKind;
using platform::IForm;

platform::FormPlan ConnectionPageForm() {
  FormLayout page = PageLayout("TStep1Frm");
  // The overwrite warning stands under the choice that erases the other devices: one device.
  PageOption(page, names::SingleCreate, 72, {names::Label4, names::Label8});
  PageOption(page, names::MulCreate, 144, {names::Label6, names::Label9});
  PageOption(page, names::AutoCreate, 218, {names::Label5, names::Label7});
  StepButtons(page);
  return page.Take();
}

FormBinder Bind(ConnectionPage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (StepButton(page, event)) return;
        OptionEvent(page, event, {names::SingleCreate, names::MulCreate, names::AutoCreate});
        if (event.kind == EventKind::kDoubleClicked && event.control.empty())
          page.PageDoubleClicked();
      },
      [&page] { return PageState(page); });
}

}  // namespace vdinv::ui
