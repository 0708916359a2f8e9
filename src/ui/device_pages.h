// The wizard's device pages: the single device page (page 4, one inverter on an RS232 link) and
// the device list pages (page 5 "创建多个" and page 3 "修改…", several inverters on an
// RS485/RS422 line). They edit the device entries and CurDevice of the run's working block
// and lead to the serial parameters page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/device_entries.h"
#include "ui/ui_context.h"
#include "ui/views.h"
#include "ui/wizard_run.h"

namespace vdinv::ui {

// What both kinds of device page show and do alike: the caption and header, the group with
// the model list (DevTypeEd) and the device number edit (IDEd), and "上一步"/"取消".
class DevicePage {
 public:
  const std::string& Caption() const { return caption_; }
  std::string Label1() const;  // the header
  const std::string& Label2() const { return label2_; }
  std::string GroupBox2Caption() const;
  std::string DevTypeLabel() const;  // the model list's label
  const std::string& DevIdLabel() const { return context_.devIdName; }
  // The slot edit, the slot-type list and their labels exist but are never shown.
  bool SlotControlsVisible() const { return false; }
  // The header image and product label are loaded from the product record but stay hidden.
  const std::string& ProductLabel() const { return context_.productText; }
  bool ProductControlsVisible() const { return false; }

  // DevTypeEd: its choices and the chosen position (-1: none, which counts as model 0).
  std::vector<std::string> DevTypeChoices() const { return ModelChoices(); }
  int DevTypeIndex() const { return modelPosition_; }
  // IDEd's text.
  const std::string& IdText() const { return idText_; }

  void Back() { run_.GoBack(); }
  void Cancel() { run_.Cancel(true); }

 protected:
  DevicePage(WizardRun& run, const UiContext& context, std::string caption, std::string label2);

  uint8_t ChosenModel() const { return ModelOfPosition(modelPosition_); }
  // Shows a number in IDEd.
  void ShowId(int32_t number) { idText_ = std::to_string(number); }
  // IDEd after a keystroke: the number it holds (0 when none) clamped to 0..99 and written back.
  int32_t ClampTypedId(const std::string& text);

  WizardRun& run_;
  const UiContext& context_;
  int modelPosition_ = -1;
  std::string idText_;

 private:
  std::string caption_;
  std::string label2_;
};

// TStep11Frm: one device; "下一步" removes every other device from the block.
class SingleDevicePage : public DevicePage {
 public:
  SingleDevicePage(WizardRun& run, const UiContext& context);

  std::string GroupBox3Caption() const;
  // The read-only note on the device number's range (one line).
  const std::vector<std::string>& IdNoteLines() const { return idNote_; }
  std::string GroupBox4Caption() const;
  // TagTypeMemo: the chosen model's support text after three blanks (one line).
  const std::vector<std::string>& TagTypeMemoLines() const { return tagTypeNote_; }

  void ModelChosen(int position);
  void IdTyped(const std::string& text);
  void Next();

 private:
  void ShowSupportText();

  std::vector<std::string> idNote_;
  std::vector<std::string> tagTypeNote_;
};

// TStep12Frm (creating, page 5) and TStep2Frm (modifying, page 3): the device tree, add,
// delete, and moving the selected device by typing a new number.
class DeviceListPage : public DevicePage {
 public:
  enum class Mode { kCreate, kModify };
  static constexpr int kDeleteKey = 46;

  DeviceListPage(WizardRun& run, const UiContext& context, IViews& views, Mode mode);

  Mode PageMode() const { return mode_; }
  std::string DeviceTreeLabel() const;
  std::string AddBtnCaption() const;
  std::string DelBtnCaption() const;

  // DeviceTree: its nodes in order and the selected node (-1: none).
  const std::vector<DeviceNode>& DeviceTree() const { return nodes_; }
  int SelectedNode() const { return selected_; }

  // The view reports a changed selection (a click, a right click or a key).
  void SelectNode(int index);
  void TreeClicked();
  void TreeKeyReleased(int keyCode);
  void AddClicked();
  void DeleteClicked();
  void ModelChosen(int position);
  void IdTyped(const std::string& text);
  void Next();

 private:
  uint8_t OwnPage() const { return mode_ == Mode::kCreate ? kPageCreateList : kPageModifyList; }
  TDeviceEntry& SelectedEntry() { return run_.Working().Devices[nodes_[selected_].entry]; }
  void RebuildTree();
  void ShowSelectedDevice();

  IViews& views_;
  Mode mode_;
  std::vector<DeviceNode> nodes_;
  int selected_ = -1;
};

}  // namespace vdinv::ui
