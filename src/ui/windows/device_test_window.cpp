// The device test window: the grid of the test tag, the messages of the line, the command
// to send with its answer and, below the normal height, the advanced panel that reads and
// writes a tag of any address.
#include <string_view>

#include "ui/control_ids.h"
#include "ui/form_binders.h"
#include "ui/form_layout.h"
#include "ui/form_plans.h"
#include "ui/test_window.h"

namespace vdinv::ui {
namespace {

using K = platform::ControlKind;
using platform::Event;
using platform::EventKind;
using platform::IForm;

constexpr int kTestWidth = 556;
constexpr int kAdvancedPanelHeight = TestWindow::kAdvancedHeight - TestWindow::kNormalHeight;

constexpr int kTimer1 = 1;

// The one-line edits with the labels before them, in the order the window states them.
struct LabelledEditName {
  const char* edit;
  const char* label;
};
constexpr LabelledEditName kLabelledEdits[] = {
    {names::CommMsg, names::CommMsgLabel}, {names::SysMsg, names::SysMsgLabel},
    {names::AskMsg, names::AskMsgLabel},   {names::AnswerMsg, names::AnswerMsgLabel},
    {names::AddrEd, names::AddrEdLabel},   {names::wValueMsg, names::wValueMsgLabel},
    {names::wStrMsg, names::wStrMsgLabel},
};

// A label before a one-line edit; read-only unless editable.
void LabelledEdit(FormLayout& form, const char* edit, Place place, bool editable,
                  const char* parent = "") {
  for (const LabelledEditName& name : kLabelledEdits) {
    if (std::string_view(name.edit) != edit) continue;
    form.Add(name.label, K::kLabel, {place.x - 64, place.y + 3, 60, kLine}, parent);
  }
  form.Add(edit, K::kEdit, place, parent).editable = editable;
}

void TestAction(TestWindow& window, IForm& form, const Event& event) {
  if (event.kind == EventKind::kTimer && event.timer == kTimer1) window.Timer1Fired();
  if (event.kind == EventKind::kFrameClosed) window.Close();
  if (Clicked(event, names::ExitBtn)) {
    window.Close();
    form.Close();
  }
  if (Clicked(event, names::DebugBtn)) window.DebugBtnClicked();
  if (Clicked(event, names::PauseBtn)) window.PauseBtnClicked();
  if (Clicked(event, names::AskBtn)) window.AskBtnClicked();
  // The boxes' click handlers toggle; a click that leaves a box as it was changes nothing.
  if (Clicked(event, names::ReadCk) && event.checked != window.ReadCk()) window.ReadCkClicked();
  if (Clicked(event, names::WriteCk) && event.checked != window.WriteCk()) window.WriteCkClicked();
  if (Edited(event, names::AddrEd)) window.AddrEdTyped(event.text);
  if (Edited(event, names::wValueMsg)) window.WValueMsgTyped(event.text);
  if (Edited(event, names::AskMsg)) window.AskMsgTyped(event.text);
  const int types = static_cast<int>(TestWindow::TypeGroupItems().size());
  if (int type = ClickedOption(event, names::TypeGroup, types); type >= 0)
    window.TypeGroupChosen(type);
}

FormState TestState(const TestWindow& window) {
  FormState state;
  for (const char* caption :
       {names::ExitBtn, names::AskBtn, names::ReadCk, names::WriteCk, names::TypeGroup}) {
    state[caption].text = TestWindow::ControlCaption(caption);
  }
  // The edits' captions are their labels'.
  for (const LabelledEditName& edit : kLabelledEdits) {
    state[edit.label].text = TestWindow::ControlCaption(edit.edit);
  }
  state[names::CommMsg].text = window.CommMsg();
  state[names::SysMsg].text = window.SysMsg();
  state[names::AskMsg].text = window.AskMsg();
  state[names::AnswerMsg].text = window.AnswerMsg();
  state[names::AddrEd].text = window.AddrEd();
  state[names::wValueMsg].text = window.WValueMsg();
  state[names::wStrMsg].text = window.WStrMsg();
  state[names::DebugBtn].text = window.DebugBtnCaption();
  platform::ControlState& pause = state[names::PauseBtn];
  pause.text = window.PauseBtnCaption();
  pause.enabled = window.PauseBtnEnabled();
  state[names::ReadCk].checked = window.ReadCk();
  platform::ControlState& write = state[names::WriteCk];
  write.checked = window.WriteCk();
  write.enabled = window.WriteCkEnabled();
  OptionGroupState(state, names::TypeGroup, TestWindow::TypeGroupItems(), window.TypeGroup());
  state[names::DebugPn].visible = window.Advanced();
  auto& cells = state[names::StringGrid1].cells;
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

platform::FormPlan TestWindowForm() {
  FormLayout form("TSampleTest", kTestWidth, TestWindow::kNormalHeight, /*topMost=*/false);
  platform::ControlPlan& grid = form.Add(names::StringGrid1, K::kGrid, {8, 8, 540, 120});
  grid.columns = TestWindow::kColumns;
  grid.rows = TestWindow::kRows;
  grid.columnWidths = {120, 110, 80, 206};
  LabelledEdit(form, names::CommMsg, {72, 134, 200, kEditHeight}, false);
  LabelledEdit(form, names::SysMsg, {348, 134, 200, kEditHeight}, false);
  LabelledEdit(form, names::AskMsg, {72, 162, 376, kEditHeight}, true);
  form.Add(names::AskBtn, K::kButton, {456, 161, 92, 24});
  LabelledEdit(form, names::AnswerMsg, {72, 190, 476, kEditHeight}, false);
  const int buttons = 222;
  form.Add(names::DebugBtn, K::kButton, {8, buttons, 100, kButtonHeight});
  form.Add(names::PauseBtn, K::kButton, {116, buttons, 80, kButtonHeight});
  form.Add(names::ExitBtn, K::kButton, {468, buttons, 80, kButtonHeight}).isDefault = true;

  // Below the normal height: seen only in advanced mode.
  form.Add(names::DebugPn, K::kPanel,
           {0, TestWindow::kNormalHeight, kTestWidth, kAdvancedPanelHeight});
  LabelledEdit(form, names::AddrEd, {72, 12, 150, kEditHeight}, true, names::DebugPn);
  LabelledEdit(form, names::wValueMsg, {72, 42, 150, kEditHeight}, true, names::DebugPn);
  LabelledEdit(form, names::wStrMsg, {72, 72, 290, kEditHeight}, false, names::DebugPn);
  form.Add(names::ReadCk, K::kCheck, {236, 12, 110, 20}, names::DebugPn);
  form.Add(names::WriteCk, K::kCheck, {236, 42, 110, 20}, names::DebugPn);
  form.AddOptionGroup(names::TypeGroup, {376, 8, 172, 96}, 3, names::DebugPn);
  return form.Take();
}

FormBinder Bind(TestWindow& window) {
  return FormBinder([&window](IForm& form, const Event& event) { TestAction(window, form, event); },
                    [&window] { return TestState(window); });
}

}  // namespace vdinv::ui
