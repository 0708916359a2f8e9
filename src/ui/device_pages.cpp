#include "ui/device_pages.h"

#include <algorithm>

#include "ui/control_ids.h"
#include "ui/page_texts.h"

namespace vdinv::ui {
namespace {

constexpr int32_t kLastDevice = kDeviceCount - 1;

std::string SingleLabel2(const UiContext& c) {
  return U8(Msg::UiChooseBelow) + c.devTypeName + U8(Msg::UiTypeAndItsParameters) +
         U8(Msg::UiThenClickNext);
}

std::string ListCaption(const UiContext& c, DeviceListPage::Mode mode) {
  if (mode == DeviceListPage::Mode::kCreate) return U8(Msg::UiCreateSeveral) + c.devTypeName;
  return U8(Msg::UiModify) + c.devTypeName + U8(Msg::UiParametersOrDelete) + c.devTypeName;
}

std::string ListLabel2(const UiContext& c) {
  return U8(Msg::UiAfterEditing) + c.devTypeName + U8(Msg::UiOperationThenNext);
}

uint8_t ListPage(DeviceListPage::Mode mode) {
  return mode == DeviceListPage::Mode::kCreate ? kPageCreateList : kPageModifyList;
}

}  // namespace

DevicePage::DevicePage(WizardRun& run, const UiContext& context, IViews& views, uint8_t ownPage,
                       std::string_view caption, std::string label2)
    : WizardPageBase(run, context, views, ownPage, caption, /*cancelClearsChanged=*/true) {
  controls_.Add(names::Label2, std::move(label2));
  controls_.Add(names::GroupBox2, context.devTypeName + U8(Msg::UiTypeAndParameters));
  controls_.Add(names::DevTypeLabel, context.devTypeName + U8(Msg::UiType));
  controls_.Add(names::DevTypeEd, "");
  controls_.Add(names::IDLabel, context.devIdName);
  controls_.Add(names::IDEd, "");
  for (const char* slot :
       {names::SlotLabel, names::SlotEd, names::SlotTypeLabel, names::SlotTypeEd}) {
    controls_.Add(slot, "").visible = false;
  }
}

void DevicePage::AddButtons() {
  controls_.Add(names::NextBtn, U8(Msg::UiNextBtn));
  controls_.Add(names::BackBtn, U8(Msg::UiBackBtn));
  controls_.Add(names::CancelBtn, U8(Msg::UiCancelBtn));
}

std::optional<int32_t> DevicePage::TakeTypedId(const std::string& text) {
  std::optional<int32_t> typed = DecimalValue(text);
  if (!typed) return std::nullopt;  // the edit shows its number again
  int32_t n = std::clamp(*typed, 0, kLastDevice);
  ShowId(n);
  return n;
}

// ---- single device page -------------------------------------------------------------------

SingleDevicePage::SingleDevicePage(WizardRun& run, const UiContext& context, IViews& views)
    : DevicePage(run, context, views, kPageSingleDevice,
                 U8(Msg::UiCreateSingle) + context.devTypeName, SingleLabel2(context)) {
  controls_.Add(names::GroupBox3, context.devIdName + U8(Msg::UiExplanation));
  controls_.Add(names::IdMemo, "");
  controls_.Add(names::GroupBox4, context.devTypeName + U8(Msg::UiSupportedTagTypes));
  controls_.Add(names::TagTypeMemo, "");
  AddButtons();
  const TDevParmBlock& pdb = run_.Working();
  modelPosition_ =
      DeviceExists(pdb, pdb.CurDevice) ? PositionOfModel(pdb.Devices[pdb.CurDevice].Model) : 0;
  ShowId(pdb.CurDevice);
  idNote_ = {U8(Msg::UiNoteIndent) + context_.deviceName + U8(Msg::UiOf) + context_.devIdName +
             U8(Msg::UiValueRange) + U8(Msg::UiFrom) + "0" + U8(Msg::UiTo) + "99"};
  ShowSupportText();
}

void SingleDevicePage::ShowSupportText() {
  Msg text = ChosenModel() == kModelP11S ? Msg::UiSupportP11S : Msg::UiSupportG11S;
  tagTypeNote_ = {"   " + U8(text)};
}

void SingleDevicePage::ModelChosen(int position) {
  modelPosition_ = position;
  ShowSupportText();
}

void SingleDevicePage::IdLeft(const std::string& text) {
  TakeTypedId(text);
}

void SingleDevicePage::Next() {
  TDevParmBlock& pdb = run_.Working();
  const int32_t chosen = ClampedNumber(idText_, 0, 0, kLastDevice);
  int others = 0;
  for (int i = 0; i < kDeviceCount; ++i) others += i != chosen && DeviceExists(pdb, i) ? 1 : 0;
  if (others > 0 && !views_.Confirm(U8(Msg::UiEraseOthersBefore) + std::to_string(others) +
                                    U8(Msg::UiEraseOthersCount) + context_.devTypeName +
                                    U8(Msg::UiEraseOthersAfter)))
    return;
  GoNext(kPageSerial);
  for (int i = 0; i < kDeviceCount; ++i) {
    pdb.Devices[i].DevNo = i;
    pdb.Devices[i].Model = kModelNone;
  }
  // IDEd shows the block's CurDevice until the user types, so its number is clamped again
  // before it names an entry.
  pdb.CurDevice = chosen;
  TDeviceEntry& entry = pdb.Devices[pdb.CurDevice];
  entry.Model = ChosenModel();
  entry.ModelName.Set(ModelNameOf(entry.Model));
}

// ---- device list pages --------------------------------------------------------------------

DeviceListPage::DeviceListPage(WizardRun& run, const UiContext& context, IViews& views, Mode mode)
    : DevicePage(run, context, views, ListPage(mode), ListCaption(context, mode),
                 ListLabel2(context)),
      mode_(mode) {
  controls_.Add(names::DeviceTreeLabel, U8(Msg::UiDeviceTreeLabel));
  controls_.Add(names::DeviceTree, "");
  controls_.Add(names::AddBtn, U8(Msg::UiAdd) + context.devTypeName);
  controls_.Add(names::DelBtn, U8(Msg::UiDelete) + context.devTypeName);
  AddButtons();
  const TDevParmBlock& pdb = run_.Working();
  // Nothing is selected yet and IDEd shows a free number: the list shows the model a device
  // added there gets. (CurDevice is a tree position here, not a device number, so the entry
  // it would name says nothing about the device shown.)
  modelPosition_ = PositionOfModel(kModelG11S);
  ShowId(FirstFreeNumber(pdb));
  nodes_ = DeviceNodesByEntryName(pdb);
}

void DeviceListPage::SelectNode(int index) {
  selected_ = index >= 0 && index < static_cast<int>(nodes_.size()) ? index : -1;
}

void DeviceListPage::ShowSelectedDevice() {
  if (selected_ < 0) return;
  ShowId(nodes_[selected_].entry);
  modelPosition_ = PositionOfModel(SelectedEntry().Model);
}

void DeviceListPage::TreeClicked() {
  ShowSelectedDevice();
}

void DeviceListPage::TreeKeyReleased(int keyCode) {
  if (keyCode == kDeleteKey) {
    DeleteClicked();
  } else {
    ShowSelectedDevice();
  }
}

void DeviceListPage::RebuildTree() {
  TDevParmBlock& pdb = run_.Working();
  nodes_ = DeviceNodesByEntryName(pdb);
  selected_ = -1;
  pdb.CurDevice = nodes_.empty() ? 0 : static_cast<int32_t>(nodes_.size()) - 1;
  ShowId(FirstFreeNumber(pdb));
  run_.SetChanged();
}

void DeviceListPage::AddClicked() {
  int32_t n = ClampedNumber(idText_, 0, 0, kLastDevice);
  PlaceDevice(run_.Working().Devices[n], ChosenModel());
  RebuildTree();
}

void DeviceListPage::DeleteClicked() {
  if (selected_ >= 0) RemoveDevice(SelectedEntry());
  RebuildTree();
}

void DeviceListPage::ModelChosen(int position) {
  modelPosition_ = position;
  if (selected_ >= 0) {
    PlaceDevice(SelectedEntry(), ChosenModel());
    nodes_[selected_].text =
        DeviceNodeText(nodes_[selected_].entry, SelectedEntry().ModelName.Get());
  }
  run_.SetChanged();
}

void DeviceListPage::IdLeft(const std::string& text) {
  std::optional<int32_t> taken = TakeTypedId(text);
  if (!taken) return;
  const int32_t n = *taken;
  TDevParmBlock& pdb = run_.Working();
  if (selected_ >= 0 && nodes_[selected_].entry == n) return;  // the device's own number
  if (DeviceExists(pdb, n)) {
    // Without a selection the number only says where "添加" puts a device: an existing one
    // gets the chosen model there, which is no duplicate.
    if (selected_ >= 0) views_.Inform(context_.devIdName + U8(Msg::UiDuplicateNumber), true);
    return;
  }
  if (selected_ >= 0) {
    RemoveDevice(SelectedEntry());
    nodes_[selected_].entry = n;
    PlaceDevice(pdb.Devices[n], ChosenModel());
    nodes_[selected_].text = DeviceNodeText(n, pdb.Devices[n].ModelName.Get());
    pdb.CurDevice = FirstDeviceNumber(pdb);
  }
  run_.SetChanged();
}

void DeviceListPage::Next() {
  GoNext(kPageSerial);
}

}  // namespace vdinv::ui
