// The start page: the choice of what to do, with a note under each option, and the buttons
// for the version, the debug form and the download along the bottom edge.
#include "ui/control_ids.h"
#include "ui/form_binders.h"
#include "ui/form_plans.h"
#include "ui/start_page.h"
#include "ui/windows/wizard_window.h"

namespace vdinv::ui {

using K = platform::ControlKind;
using platform::Event;
using platform::IForm;

platform::FormPlan StartPageForm() {
  FormLayout page = PageLayout("TStartFrm");
  page.Add(names::NewOp, K::kRadio, {24, 76, 470, 20});
  // Label6 continues Label3's sentence on the same line.
  page.Add(names::Label3, K::kLabel, {44, 98, 314, kLine});
  page.Add(names::Label6, K::kLabel, {358, 98, 140, kLine});
  PageOption(page, names::ModifyOp, 130, {names::Label4});
  PageOption(page, names::BrowseOp, 184, {names::Label5});
  PageButton(page, names::VersionBtn, 12);
  PageButton(page, names::DebugBtn, 100);
  PageButton(page, names::DownloadBtn, 188);
  PageButton(page, names::NextBtn, kNextX, true);
  PageButton(page, names::CancelBtn, kCancelX);
  return page.Take();
}

FormBinder Bind(StartPage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (StepButton(page, event)) return;
        OptionEvent(page, event, {names::NewOp, names::ModifyOp, names::BrowseOp});
        if (Clicked(event, names::VersionBtn)) page.Help();
        if (Clicked(event, names::DebugBtn)) page.Debug();
        if (Clicked(event, names::DownloadBtn)) page.Download();
      },
      [&page] { return PageState(page); });
}

}  // namespace vdinv::ui
