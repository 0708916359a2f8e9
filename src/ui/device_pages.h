// The wizard's device pages: the single device page (page 4, one inverter on an RS232 link) and
// the device list pages (page 5 "创建多个" and page 3 "修改…", several inverters on an
// RS485/RS422 line). They edit the device entries and CurDevice of the run's working block
// and lead to the serial parameters page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/device_entries.h"
#include "ui/wizard_page.h"

namespace vdinv::ui {

// What both kinds of device page show and do alike: the group GroupBox2 with the model list
// (DevTypeEd) and the device number edit (IDEd), whose slot controls stay hidden.
class DevicePage : public WizardPageBase {
 public:
  // DevTypeEd: its choices and the chosen position (-1: none, which counts as model 0).
  std::vector<std::string> DevTypeChoices() const { return ModelChoices(); }
  int DevTypeIndex() const { return modelPosition_; }
  // IDEd's text.
  const std::string& IdText() const { return idText_; }

 protected:
  // caption: the page's own caption after DeviceName; label2: its instruction.
  DevicePage(WizardRun& run, const UiContext& context, IViews& views, uint8_t ownPage,
             std::string_view caption, std::string label2);
  ~DevicePage() = default;

  // Registers "下一步", "上一步" and "取消", which every device page ends with.
  void AddButtons();
  uint8_t ChosenModel() const { return ModelOfPosition(modelPosition_); }
  // Shows a number in IDEd.
  void ShowId(int32_t number) { idText_ = std::to_string(number); }
  // IDEd when it is left: the number it holds clamped to 0..99 and written back; a text that
  // is no number puts back the number shown before (nothing then).
  std::optional<int32_t> TakeTypedId(const std::string& text);

  int modelPosition_ = -1;
  std::string idText_;
};

// TStep11Frm: one device; "下一步" removes every other device from the block.
class SingleDevicePage : public DevicePage {
 public:
  SingleDevicePage(WizardRun& run, const UiContext& context, IViews& views);

  // The read-only note on the device number's range (one line).
  const std::vector<std::string>& IdNoteLines() const { return idNote_; }
  // TagTypeMemo: the chosen model's support text after three blanks (one line).
  const std::vector<std::string>& TagTypeMemoLines() const { return tagTypeNote_; }

  void ModelChosen(int position);
  // IDEd left (also by Enter or a button, which take the edit first).
  void IdLeft(const std::string& text);
  // Goes on with the chosen device alone; when other devices would be erased, the user is asked
  // first and a "取消" there keeps the page open.
  void Next() override;

 private:
  void ShowSupportText();

  std::vector<std::string> idNote_;
  std::vector<std::string> tagTypeNote_;
};

// TStep12Frm (creating, page 5) and TStep2Frm (modifying, page 3): the device tree, add,
// delete, and moving the selected device by typing a new number. The model list always shows a
// model: the selected device's, else the one the next added device gets (G11S at first).
class DeviceListPage : public DevicePage {
 public:
  enum class Mode { kCreate, kModify };
  static constexpr int kDeleteKey = 46;

  DeviceListPage(WizardRun& run, const UiContext& context, IViews& views, Mode mode);

  Mode PageMode() const { return mode_; }

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
  // IDEd left (also by Enter or a button, which take the edit first): a free number moves the
  // selected device there; the number of another device is refused with the duplicate message.
  void IdLeft(const std::string& text);
  void Next() override;

 private:
  TDeviceEntry& SelectedEntry() { return run_.Working().Devices[nodes_[selected_].entry]; }
  void RebuildTree();
  void ShowSelectedDevice();

  Mode mode_;
  std::vector<DeviceNode> nodes_;
  int selected_ = -1;
};

}  // namespace vdinv::ui
