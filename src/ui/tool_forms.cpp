// The debug form and the device test window.
#include "ui/form_layout.h"
#include "ui/form_plans.h"
#include "ui/test_window.h"

namespace vdinv::ui {
namespace {

using K = platform::ControlKind;

constexpr int kDebugWidth = 560;
constexpr int kDebugHeight = 420;

constexpr int kTestWidth = 556;
constexpr int kAdvancedPanelHeight = TestWindow::kAdvancedHeight - TestWindow::kNormalHeight;

// A label before a one-line edit; read-only unless editable.
void LabelledEdit(FormLayout& form, const char* edit, Place place, bool editable,
                  const char* parent = "") {
  const std::string label = std::string(edit) + "Label";
  form.Add(label, K::kLabel, {place.x - 64, place.y + 3, 60, kLine}, parent);
  form.Add(edit, K::kEdit, place, parent).editable = editable;
}

}  // namespace

platform::FormPlan DebugFormPlan() {
  FormLayout form("TDebugFrm", kDebugWidth, kDebugHeight, /*topMost=*/true);
  form.AddHeader();
  form.Add("LoadBar", K::kProgress, {400, 10, 150, 14}, "HeaderPn");
  form.Add("EnDebugChk", K::kCheck, {12, 68, 130, 20});
  form.Add("ErrorChk", K::kCheck, {150, 68, 140, 20});
  form.Add("TraceChk", K::kCheck, {298, 68, 140, 20});
  form.Add("LogMemo", K::kMemo, {12, 94, 536, 282}).editable = true;
  const int buttons = 386;
  form.Add("PrnBtn", K::kButton, {12, buttons, 80, kButtonHeight});
  form.Add("SaveBtn", K::kButton, {100, buttons, 80, kButtonHeight});
  form.Add("SpeedButton1", K::kButton, {188, buttons, 80, kButtonHeight});
  form.Add("FinishBtn", K::kButton, {468, buttons, 80, kButtonHeight}).isDefault = true;
  return form.Take();
}

platform::FormPlan TestWindowForm() {
  FormLayout form("TSampleTest", kTestWidth, TestWindow::kNormalHeight, /*topMost=*/false);
  platform::ControlPlan& grid = form.Add("StringGrid1", K::kGrid, {8, 8, 540, 120});
  grid.columns = TestWindow::kColumns;
  grid.rows = TestWindow::kRows;
  grid.columnWidths = {120, 110, 80, 206};
  LabelledEdit(form, "CommMsg", {72, 134, 200, kEditHeight}, false);
  LabelledEdit(form, "SysMsg", {348, 134, 200, kEditHeight}, false);
  LabelledEdit(form, "AskMsg", {72, 162, 376, kEditHeight}, true);
  form.Add("AskBtn", K::kButton, {456, 161, 92, 24});
  LabelledEdit(form, "AnswerMsg", {72, 190, 476, kEditHeight}, false);
  const int buttons = 222;
  form.Add("DebugBtn", K::kButton, {8, buttons, 100, kButtonHeight});
  form.Add("PauseBtn", K::kButton, {116, buttons, 80, kButtonHeight});
  form.Add("ExitBtn", K::kButton, {468, buttons, 80, kButtonHeight}).isDefault = true;

  // Below the normal height: seen only in advanced mode.
  form.Add("DebugPn", K::kPanel, {0, TestWindow::kNormalHeight, kTestWidth, kAdvancedPanelHeight});
  LabelledEdit(form, "AddrEd", {72, 12, 150, kEditHeight}, true, "DebugPn");
  LabelledEdit(form, "wValueMsg", {72, 42, 150, kEditHeight}, true, "DebugPn");
  LabelledEdit(form, "wStrMsg", {72, 72, 290, kEditHeight}, false, "DebugPn");
  form.Add("ReadCk", K::kCheck, {236, 12, 110, 20}, "DebugPn");
  form.Add("WriteCk", K::kCheck, {236, 42, 110, 20}, "DebugPn");
  form.AddOptionGroup("TypeGroup", {376, 8, 172, 96}, 3, "DebugPn");
  return form.Take();
}

std::vector<platform::FormPlan> AllFormPlans() {
  return {StartPageForm(),
          ConnectionPageForm(),
          SingleDevicePageForm(),
          DeviceListPageForm(DeviceListPage::Mode::kCreate),
          DeviceListPageForm(DeviceListPage::Mode::kModify),
          SerialPageForm(),
          SummaryPageForm(),
          DebugFormPlan(),
          TestWindowForm()};
}

}  // namespace vdinv::ui
