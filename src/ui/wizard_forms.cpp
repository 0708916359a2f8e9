// The wizard pages: a white header with the welcome line and the page's instruction, the page's
// own controls, and the buttons along the bottom edge.
#include "ui/form_layout.h"
#include "ui/form_plans.h"

namespace vdinv::ui {
namespace {

using K = platform::ControlKind;

constexpr int kButtonTop = 340;
constexpr int kButtonWidth = 80;
constexpr int kBackX = 244;
constexpr int kNextX = 332;
constexpr int kCancelX = 428;
constexpr int kBodyWidth = 496;  // a group or text across the page inside the margins

FormLayout PageLayout(const char* className) {
  FormLayout page(className, kPageWidth, kPageHeight, /*topMost=*/true);
  page.AddHeader();
  return page;
}

void Button(FormLayout& page, const char* name, int x, bool isDefault = false) {
  page.Add(name, K::kButton, {x, kButtonTop, kButtonWidth, kButtonHeight}).isDefault = isDefault;
}

// "上一步", "下一步" (the button Enter presses) and "取消".
void StepButtons(FormLayout& page) {
  Button(page, "BackBtn", kBackX);
  Button(page, "NextBtn", kNextX, true);
  Button(page, "CancelBtn", kCancelX);
}

// An option with its explanation lines below it.
void Option(FormLayout& page, const char* option, int y, std::initializer_list<const char*> notes) {
  page.Add(option, K::kRadio, {24, y, 470, 20});
  int top = y + 22;
  for (const char* note : notes) {
    page.Add(note, K::kLabel, {44, top, 460, kLine});
    top += 20;
  }
}

// The group of model and device number, with the slot controls that stay hidden.
void ModelGroup(FormLayout& page, Place group) {
  page.Add("GroupBox2", K::kGroup, group);
  page.Add("DevTypeLabel", K::kLabel, {12, 26, 84, kLine}, "GroupBox2");
  page.Add("DevTypeEd", K::kDropDown, {100, 22, 120, kEditHeight}, "GroupBox2");
  page.Add("IDLabel", K::kLabel, {12, 58, 84, kLine}, "GroupBox2");
  page.Add("IDEd", K::kEdit, {100, 54, 120, kEditHeight}, "GroupBox2").editable = true;
  page.Add("SlotLabel", K::kLabel, {12, 90, 40, kLine}, "GroupBox2");
  page.Add("SlotEd", K::kEdit, {56, 86, 60, kEditHeight}, "GroupBox2").editable = true;
  page.Add("SlotTypeLabel", K::kLabel, {124, 90, 60, kLine}, "GroupBox2");
  page.Add("SlotTypeEd", K::kDropDown, {188, 86, 84, kEditHeight}, "GroupBox2");
}

// A framed note: a group box around a read-only memo.
void Note(FormLayout& page, const char* group, const char* memo, Place place) {
  page.Add(group, K::kGroup, place);
  page.Add(memo, K::kMemo, {8, 20, place.width - 16, place.height - 28}, group);
}

}  // namespace

platform::FormPlan StartPageForm() {
  FormLayout page = PageLayout("TStartFrm");
  page.Add("NewOp", K::kRadio, {24, 76, 470, 20});
  // Label6 continues Label3's sentence on the same line.
  page.Add("Label3", K::kLabel, {44, 98, 314, kLine});
  page.Add("Label6", K::kLabel, {358, 98, 140, kLine});
  Option(page, "ModifyOp", 130, {"Label4"});
  Option(page, "BrowseOp", 184, {"Label5"});
  Button(page, "VersionBtn", 12);
  Button(page, "DebugBtn", 100);
  Button(page, "DownloadBtn", 188);
  Button(page, "NextBtn", kNextX, true);
  Button(page, "CancelBtn", kCancelX);
  return page.Take();
}

platform::FormPlan ConnectionPageForm() {
  FormLayout page = PageLayout("TStep1Frm");
  // The overwrite warning stands under the choice that erases the other devices: one device.
  Option(page, "SingleCreate", 72, {"Label4", "Label8"});
  Option(page, "MulCreate", 144, {"Label6", "Label9"});
  Option(page, "AutoCreate", 218, {"Label5", "Label7"});
  StepButtons(page);
  return page.Take();
}

platform::FormPlan SingleDevicePageForm() {
  FormLayout page = PageLayout("TStep11Frm");
  ModelGroup(page, {12, 66, kBodyWidth, 120});
  Note(page, "GroupBox3", "IdMemo", {12, 192, kBodyWidth, 64});
  Note(page, "GroupBox4", "TagTypeMemo", {12, 262, kBodyWidth, 70});
  StepButtons(page);
  return page.Take();
}

platform::FormPlan DeviceListPageForm(DeviceListPage::Mode mode) {
  FormLayout page = PageLayout(mode == DeviceListPage::Mode::kCreate ? "TStep12Frm" : "TStep2Frm");
  page.Add("DeviceTreeLabel", K::kLabel, {12, 68, 200, kLine});
  page.Add("DeviceTree", K::kTree, {12, 88, 200, 242});
  ModelGroup(page, {224, 68, 284, 120});
  page.Add("AddBtn", K::kButton, {232, 204, 120, kButtonHeight});
  page.Add("DelBtn", K::kButton, {372, 204, 120, kButtonHeight});
  StepButtons(page);
  return page.Take();
}

platform::FormPlan SerialPageForm() {
  FormLayout page = PageLayout("TStep4Frm");
  page.Add("ComGroup", K::kGroup, {12, 64, 300, 178});
  page.Add("ComLabel", K::kLabel, {12, 26, 60, kLine}, "ComGroup");
  page.Add("ComEd", K::kDropDown, {76, 22, 100, kEditHeight}, "ComGroup");
  page.Add("BautLabel", K::kLabel, {12, 56, 60, kLine}, "ComGroup");
  page.Add("BautEd", K::kDropDown, {76, 52, 100, kEditHeight}, "ComGroup");
  page.AddOptionGroup("DataBitED", {10, 80, 88, 92}, 2, "ComGroup");
  page.AddOptionGroup("StopBitED", {104, 80, 88, 92}, 3, "ComGroup");
  page.AddOptionGroup("ParityEd", {198, 80, 92, 92}, 3, "ComGroup");

  page.Add("SetGB", K::kGroup, {320, 64, 188, 178});
  page.Add("OutTimeLabel", K::kLabel, {10, 22, 168, kLine}, "SetGB");
  page.Add("OutTimeEd", K::kEdit, {10, 44, 100, kEditHeight}, "SetGB").editable = true;
  page.Add("OutTimeUnitLabel", K::kLabel, {116, 48, 60, kLine}, "SetGB");
  page.Add("WCountLabel", K::kLabel, {10, 80, 168, kLine}, "SetGB");
  page.Add("WCountEd", K::kEdit, {10, 102, 100, kEditHeight}, "SetGB").editable = true;
  page.Add("WCountUnitLabel", K::kLabel, {116, 106, 60, kLine}, "SetGB");
  page.Add("InitStrLabel", K::kLabel, {10, 130, 168, kLine}, "SetGB");
  page.Add("InitStrEd", K::kEdit, {10, 150, 168, kEditHeight}, "SetGB").editable = true;

  Note(page, "NoteGroup", "NoteMemo", {12, 246, kBodyWidth, 88});
  StepButtons(page);
  return page.Take();
}

platform::FormPlan SummaryPageForm() {
  FormLayout page = PageLayout("TEndFrm");
  Note(page, "ComArgGroup", "ComArgMemo", {12, 66, 240, 170});
  page.Add("DeviceTreeLabel", K::kLabel, {264, 66, 244, kLine});
  page.Add("DeviceTree", K::kTree, {264, 86, 244, 150});
  Note(page, "GroupBox4", "Memo5", {12, 242, kBodyWidth, 90});
  Button(page, "PrnBtn", 12);
  Button(page, "LastBtn", kBackX);
  Button(page, "FinishBtn", kNextX, true);
  Button(page, "CancelBtn", kCancelX);
  return page.Take();
}

}  // namespace vdinv::ui
