// The summary page: the serial parameters, the devices and the usage note before the wizard
// finishes.
#include "ui/control_ids.h"
#include "ui/form_binders.h"
#include "ui/form_plans.h"
#include "ui/summary_page.h"
#include "ui/windows/wizard_window.h"

namespace vdinv::ui {

using K = platform::ControlKind;
using platform::Event;
using platform::IForm;

platform::FormPlan SummaryPageForm() {
  FormLayout page = PageLayout("TEndFrm");
  PageNote(page, names::ComArgGroup, names::ComArgMemo, {12, 66, 240, 170});
  page.Add(names::DeviceTreeLabel, K::kLabel, {264, 66, 244, kLine});
  page.Add(names::DeviceTree, K::kTree, {264, 86, 244, 150});
  PageNote(page, names::GroupBox4, names::Memo5, {12, 242, kBodyWidth, 90});
  PageButton(page, names::PrnBtn, 12);
  PageButton(page, names::LastBtn, kBackX);
  PageButton(page, names::FinishBtn, kNextX, true);
  PageButton(page, names::CancelBtn, kCancelX);
  return page.Take();
}

FormBinder Bind(SummaryPage& page) {
  return FormBinder([&page](IForm&, const Event& event) { StepButton(page, event); },
                    [&page] {
                      FormState state = PageState(page);
                      state[names::ComArgMemo].items = page.ComArgMemoLines();
                      ListState(state, names::DeviceTree, NodeTexts(page.DeviceTree()), -1);
                      state[names::Memo5].items = page.Memo5Lines();
                      return state;
                    });
}

}  // namespace vdinv::ui
