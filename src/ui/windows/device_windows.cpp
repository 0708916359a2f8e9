// The two device pages: one device (the model group with its notes below) and the device list
// (the tree of devices beside the model group, with the buttons that add and remove). Both
// pages take the model and the device number alike.
#include "ui/control_ids.h"
#include "ui/device_pages.h"
#include "ui/form_binders.h"
#include "ui/form_plans.h"
#include "ui/windows/wizard_window.h"

namespace vdinv::ui {
namespace {

using K = platform::ControlKind;
using platform::Event;
using platform::EventKind;
using platform::IForm;

// The group of model and device number, with the slot controls that stay hidden.
void ModelGroup(FormLayout& page, Place group) {
  page.Add(names::GroupBox2, K::kGroup, group);
  page.Add(names::DevTypeLabel, K::kLabel, {12, 26, 84, kLine}, names::GroupBox2);
  page.Add(names::DevTypeEd, K::kDropDown, {100, 22, 120, kEditHeight}, names::GroupBox2);
  page.Add(names::IDLabel, K::kLabel, {12, 58, 84, kLine}, names::GroupBox2);
  page.Add(names::IDEd, K::kEdit, {100, 54, 120, kEditHeight}, names::GroupBox2).editable = true;
  page.Add(names::SlotLabel, K::kLabel, {12, 90, 40, kLine}, names::GroupBox2);
  page.Add(names::SlotEd, K::kEdit, {56, 86, 60, kEditHeight}, names::GroupBox2).editable = true;
  page.Add(names::SlotTypeLabel, K::kLabel, {124, 90, 60, kLine}, names::GroupBox2);
  page.Add(names::SlotTypeEd, K::kDropDown, {188, 86, 84, kEditHeight}, names::GroupBox2);
}

// The model list and the device number of both kinds of device page.
void DeviceState(const DevicePage& page, FormState& state) {
  ListState(state, names::DevTypeEd, page.DevTypeChoices(), page.DevTypeIndex());
  state[names::IDEd].text = page.IdText();
}

// The device pages' model list and number edit; the number is taken when the edit is left.
template <class Page>
void DeviceEvent(Page& page, const Event& event) {
  if (event.kind == EventKind::kSelected && event.control == names::DevTypeEd)
    page.ModelChosen(event.index);
  if (event.kind == EventKind::kLeft && event.control == names::IDEd) page.IdLeft(event.text);
}

}  // namespace

platform::FormPlan SingleDevicePageForm() {
  FormLayout page = PageLayout("TStep11Frm");
  ModelGroup(page, {12, 66, kBodyWidth, 120});
  PageNote(page, names::GroupBox3, names::IdMemo, {12, 192, kBodyWidth, 64});
  PageNote(page, names::GroupBox4, names::TagTypeMemo, {12, 262, kBodyWidth, 70});
  StepButtons(page);
  return page.Take();
}

platform::FormPlan DeviceListPageForm(DeviceListPage::Mode mode) {
  FormLayout page = PageLayout(mode == DeviceListPage::Mode::kCreate ? "TStep12Frm" : "TStep2Frm");
  page.Add(names::DeviceTreeLabel, K::kLabel, {12, 68, 200, kLine});
  page.Add(names::DeviceTree, K::kTree, {12, 88, 200, 242});
  ModelGroup(page, {224, 68, 284, 120});
  page.Add(names::AddBtn, K::kButton, {232, 204, 120, kButtonHeight});
  page.Add(names::DelBtn, K::kButton, {372, 204, 120, kButtonHeight});
  StepButtons(page);
  return page.Take();
}

FormBinder Bind(SingleDevicePage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (!StepButton(page, event)) DeviceEvent(page, event);
      },
      [&page] {
        FormState state = PageState(page);
        DeviceState(page, state);
        state[names::IdMemo].items = page.IdNoteLines();
        state[names::TagTypeMemo].items = page.TagTypeMemoLines();
        return state;
      },
      {names::IDEd});
}

FormBinder Bind(DeviceListPage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (StepButton(page, event)) return;
        DeviceEvent(page, event);
        if (Clicked(event, names::AddBtn)) page.AddClicked();
        if (Clicked(event, names::DelBtn)) page.DeleteClicked();
        if (event.control != names::DeviceTree) return;
        if (event.kind == EventKind::kSelected) page.SelectNode(event.index);
        if (event.kind == EventKind::kClicked) {
          // A click on a node selects it before the click is handled.
          if (event.index >= 0) page.SelectNode(event.index);
          page.TreeClicked();
        }
        if (event.kind == EventKind::kKeyReleased) page.TreeKeyReleased(event.key);
      },
      [&page] {
        FormState state = PageState(page);
        DeviceState(page, state);
        ListState(state, names::DeviceTree, NodeTexts(page.DeviceTree()), page.SelectedNode());
        return state;
      },
      {names::IDEd});
}

}  // namespace vdinv::ui
