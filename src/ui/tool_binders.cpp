// The binders of the debug form and the device test window.
#include "ui/debug_form.h"
#include "ui/form_binders.h"
#include "ui/test_window.h"

namespace vdinv::ui {
namespace {

using platform::Event;
using platform::EventKind;
using platform::IForm;

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
  if (Clicked(event, "EnDebugChk")) form.DebugClicked(event.checked);
  if (Clicked(event, "ErrorChk")) form.ErrorClicked(event.checked);
  if (Clicked(event, "TraceChk")) form.TraceClicked(event.checked);
  if (Edited(event, "LogMemo")) form.LogEdited(event.items);
  if (Clicked(event, "SpeedButton1")) form.SaveChanges();
  if (Clicked(event, "SaveBtn")) form.SaveAs();
  if (Clicked(event, "PrnBtn")) form.Print();
  if (Clicked(event, "FinishBtn")) form.Finish();
}

FormState DebugState(const DebugForm& form) {
  FormState state = StateOf(form.AllControls());
  platform::ControlState& bar = state["LoadBar"];
  bar.position = form.LoadBarPosition();
  bar.maximum = DebugForm::kLoadBarMax;
  state["LogMemo"].items = form.LogLines();
  state.timers = {{kTimer1, form.Timer1Running(), DebugForm::kTimer1Interval},
                  {kTimer2, form.Timer2Running(), DebugForm::kTimer2Interval}};
  state.close = form.CloseRequested();
  return state;
}

void TestAction(TestWindow& window, IForm& form, const Event& event) {
  if (event.kind == EventKind::kTimer && event.timer == kTimer1) window.Timer1Fired();
  if (event.kind == EventKind::kFrameClosed) window.Close();
  if (Clicked(event, "ExitBtn")) {
    window.Close();
    form.Close();
  }
  if (Clicked(event, "DebugBtn")) window.DebugBtnClicked();
  if (Clicked(event, "PauseBtn")) window.PauseBtnClicked();
  if (Clicked(event, "AskBtn")) window.AskBtnClicked();
  // The boxes' click handlers toggle; a click that leaves a box as it was changes nothing.
  if (Clicked(event, "ReadCk") && event.checked != window.ReadCk()) window.ReadCkClicked();
  if (Clicked(event, "WriteCk") && event.checked != window.WriteCk()) window.WriteCkClicked();
  if (Edited(event, "AddrEd")) window.AddrEdTyped(event.text);
  if (Edited(event, "wValueMsg")) window.WValueMsgTyped(event.text);
  if (Edited(event, "AskMsg")) window.AskMsgTyped(event.text);
  const int types = static_cast<int>(TestWindow::TypeGroupItems().size());
  if (int type = ClickedOption(event, "TypeGroup", types); type >= 0) window.TypeGroupChosen(type);
}

FormState TestState(const TestWindow& window) {
  FormState state;
  for (const char* caption : {"ExitBtn", "AskBtn", "ReadCk", "WriteCk", "TypeGroup"}) {
    state[caption].text = TestWindow::ControlCaption(caption);
  }
  // The edits' captions are their labels'.
  for (const char* edit :
       {"CommMsg", "SysMsg", "AskMsg", "AnswerMsg", "AddrEd", "wValueMsg", "wStrMsg"}) {
    state[std::string(edit) + "Label"].text = TestWindow::ControlCaption(edit);
  }
  state["CommMsg"].text = window.CommMsg();
  state["SysMsg"].text = window.SysMsg();
  state["AskMsg"].text = window.AskMsg();
  state["AnswerMsg"].text = window.AnswerMsg();
  state["AddrEd"].text = window.AddrEd();
  state["wValueMsg"].text = window.WValueMsg();
  state["wStrMsg"].text = window.WStrMsg();
  state["DebugBtn"].text = window.DebugBtnCaption();
  platform::ControlState& pause = state["PauseBtn"];
  pause.text = window.PauseBtnCaption();
  pause.enabled = window.PauseBtnEnabled();
  state["ReadCk"].checked = window.ReadCk();
  platform::ControlState& write = state["WriteCk"];
  write.checked = window.WriteCk();
  write.enabled = window.WriteCkEnabled();
  OptionGroupState(state, "TypeGroup", TestWindow::TypeGroupItems(), window.TypeGroup());
  state["DebugPn"].visible = window.Advanced();
  auto& cells = state["StringGrid1"].cells;
  cells.assign(TestWindow::kRows, std::vector<std::string>(TestWindow::kColumns));
  for (int row = 0; row < TestWindow::kRows; ++row) {
    for (int column = 0; column < TestWindow::kColumns; ++column) {
      cells[static_cast<size_t>(row)][static_cast<size_t>(column)] = window.Cell(column, row);
    }
  }
  state.timers = {{kTimer1, window.Timer1Enabled(), window.Timer1Interval()}};
  state.clientHeight = window.Height();
  return state;
}

}  // namespace

FormBinder Bind(DebugForm& form) {
  return FormBinder([&form](IForm&, const Event& event) { DebugAction(form, event); },
                    [&form] { return DebugState(form); });
}

FormBinder Bind(TestWindow& window) {
  return FormBinder([&window](IForm& form, const Event& event) { TestAction(window, form, event); },
                    [&window] { return TestState(window); });
}

}  // namespace vdinv::ui
