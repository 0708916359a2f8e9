// The serial parameters page: the port and its line settings on the left, the time-out,
// the repeats and the initial command on the right, and the note below.
#include "ui/control_ids.h"
#include "ui/form_binders.h"
#include "ui/form_plans.h"
#include "ui/serial_page.h"
#include "ui/windows/wizard_window.h"

namespace vdinv::ui {

using K = platform::ControlKind;
using platform::Event;
using platform::EventKind;
using platform::IForm;

platform::FormPlan SerialPageForm() {
  FormLayout page = PageLayout("TStep4Frm");
  page.Add(names::ComGroup, K::kGroup, {12, 64, 300, 178});
  page.Add(names::ComLabel, K::kLabel, {12, 26, 60, kLine}, names::ComGroup);
  page.Add(names::ComEd, K::kDropDown, {76, 22, 100, kEditHeight}, names::ComGroup);
  page.Add(names::BautLabel, K::kLabel, {12, 56, 60, kLine}, names::ComGroup);
  page.Add(names::BautEd, K::kDropDown, {76, 52, 100, kEditHeight}, names::ComGroup);
  page.AddOptionGroup(names::DataBitED, {10, 80, 88, 92}, 2, names::ComGroup);
  page.AddOptionGroup(names::StopBitED, {104, 80, 88, 92}, 3, names::ComGroup);
  page.AddOptionGroup(names::ParityEd, {198, 80, 92, 92}, 3, names::ComGroup);

  page.Add(names::SetGB, K::kGroup, {320, 64, 188, 178});
  page.Add(names::OutTimeLabel, K::kLabel, {10, 22, 168, kLine}, names::SetGB);
  page.Add(names::OutTimeEd, K::kEdit, {10, 44, 100, kEditHeight}, names::SetGB).editable = true;
  page.Add(names::OutTimeUnitLabel, K::kLabel, {116, 48, 60, kLine}, names::SetGB);
  page.Add(names::WCountLabel, K::kLabel, {10, 80, 168, kLine}, names::SetGB);
  page.Add(names::WCountEd, K::kEdit, {10, 102, 100, kEditHeight}, names::SetGB).editable = true;
  page.Add(names::WCountUnitLabel, K::kLabel, {116, 106, 60, kLine}, names::SetGB);
  page.Add(names::InitStrLabel, K::kLabel, {10, 130, 168, kLine}, names::SetGB);
  page.Add(names::InitStrEd, K::kEdit, {10, 150, 168, kEditHeight}, names::SetGB).editable = true;

  PageNote(page, names::NoteGroup, names::NoteMemo, {12, 246, kBodyWidth, 88});
  StepButtons(page);
  return page.Take();
}

FormBinder Bind(SerialPage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (StepButton(page, event)) return;
        if (event.kind == EventKind::kSelected && event.control == names::ComEd)
          page.ComChosen(event.index);
        if (event.kind == EventKind::kSelected && event.control == names::BautEd)
          page.BautChosen(event.index);
        if (int i = ClickedOption(event, names::DataBitED, 2); i >= 0) page.DataBitClicked(i);
        if (int i = ClickedOption(event, names::StopBitED, 3); i >= 0) page.StopBitClicked(i);
        if (int i = ClickedOption(event, names::ParityEd, 3); i >= 0) page.ParityClicked(i);
        if (event.kind != EventKind::kLeft) return;
        if (event.control == names::OutTimeEd) page.OutTimeLeft(event.text);
        if (event.control == names::WCountEd) page.WCountLeft(event.text);
        if (event.control == names::InitStrEd) page.InitStrLeft(event.text);
      },
      [&page] {
        FormState state = PageState(page);
        ListState(state, names::ComEd, page.ComChoices(), page.ComIndex());
        ListState(state, names::BautEd, page.BautChoices(), page.BautIndex());
        OptionGroupState(state, names::DataBitED, page.DataBitChoices(), page.DataBitIndex());
        OptionGroupState(state, names::StopBitED, page.StopBitChoices(), page.StopBitIndex());
        OptionGroupState(state, names::ParityEd, page.ParityChoiceTexts(), page.ParityIndex());
        state[names::OutTimeEd].text = page.OutTimeText();
        state[names::WCountEd].text = page.WCountText();
        state[names::InitStrEd].text = page.InitStrText();
        state[names::NoteMemo].items = page.NoteLines();
        return state;
      },
      {names::OutTimeEd, names::WCountEd, names::InitStrEd});
}

}  // namespace vdinv::ui
