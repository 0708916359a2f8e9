// The debug form: the switches of the log, the log itself and the buttons that save or print
// it, with the load bar in the header.
#include "ui/control_ids.h"
#include "ui/debug_form.h"
#include "ui/form_binders.h"
#include "ui/form_layout.h"
#include "ui/form_plans.h"

namespace vdinv::ui {
namespace {

using K = platform::ControlKind;
using platform::Event;
using platform::EventKind;
using platform::IForm;

constexpr int kDebugWidth = 560;
constexpr int kDebugHeight = 420;

constexpr int kTimer1 = 1;
constexpr int kTimer2 = 2;

void DebugAction(DebugForm& form, const Event& event) {
  switch (event.kind) {
    case EventKind::kActivated:
      form.SetActive(true);
      return;
    case EventKind::kDeactivated:
      form.SetActive(false);
      return;
    case EventKind::kTimer:
      if (event.timer == kTimer1) form.Timer1Fired();
      if (event.timer == kTimer2) form.Timer2Fired();
      return;
    default:
      break;
  }
  if (Clicked(event, names::EnDebugChk)) form.DebugClicked(event.checked);
  if (Clicked(event, names::ErrorChk)) form.ErrorClicked(event.checked);
  if (Clicked(event, names::TraceChk)) form.TraceClicked(event.checked);
  if (Edited(event, names::LogMemo)) form.LogEdited(event.items);
  if (Clicked(event, names::SpeedButton1)) form.SaveChanges();
  if (Clicked(event, names::SaveBtn)) form.SaveAs();
  if (Clicked(event, names::PrnBtn)) form.Print();
  if (Clicked(event, names::FinishBtn)) form.Finish();
}

FormState DebugState(const DebugForm& form) {
  FormState state = StateOf(form.AllControls());
  platform::ControlState& bar = state[names::LoadBar];
  bar.position = form.LoadBarPosition();
  bar.maximum = DebugForm::kLoadBarMax;
  state[names::LogMemo].items = form.LogLines();
  state.timers = {{kTimer1, form.Timer1Running(), DebugForm::kTimer1Interval},
                  {kTimer2, form.Timer2Running(), DebugForm::kTimer2Interval}};
  state.close = form.CloseRequested();
  return state;
}

}  // namespace

platform::FormPlan DebugFormPlan() {
  FormLayout form("TDebugFrm", kDebugWidth, kDebugHeight, /*topMost=*/true);
  form.AddHeader();
  form.Add(names::LoadBar, K::kProgress, {400, 10, 150, 14}, names::HeaderPn);
  form.Add(names::EnDebugChk, K::kCheck, {12, 68, 130, 20});
  form.Add(names::ErrorChk, K::kCheck, {150, 68, 140, 20});
  form.Add(names::TraceChk, K::kCheck, {298, 68, 140, 20});
  form.Add(names::LogMemo, K::kMemo, {12, 94, 536, 282}).editable = true;
  const int buttons = 386;
  form.Add(names::PrnBtn, K::kButton, {12, buttons, 80, kButtonHeight});
  form.Add(names::SaveBtn, K::kButton, {100, buttons, 80, kButtonHeight});
  form.Add(names::SpeedButton1, K::kButton, {188, buttons, 80, kButtonHeight});
  form.Add(names::FinishBtn, K::kButton, {468, buttons, 80, kButtonHeight}).isDefault = true;
  return form.Take();
}

FormBinder Bind(DebugForm& form) {
  return FormBinder([&form](IForm&, const Event& event) { DebugAction(form, event); },
                    [&form] { return DebugState(form); });
}

}  // namespace vdinv::ui
