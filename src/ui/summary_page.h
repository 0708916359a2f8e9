// The summary page (TEndFrm, wizard page 7): the serial settings and the devices of the
// working block and a note on how tags name their device. "完成" writes the working block
// into the host's block and ends the wizard.
#pragma once

#include <string>
#include <vector>

#include "ui/device_entries.h"
#include "ui/ui_context.h"
#include "ui/wizard_run.h"

namespace vdinv::ui {

class SummaryPage {
 public:
  SummaryPage(WizardRun& run, const UiContext& context);

  std::string Caption() const;
  std::string Label1() const;  // the header
  std::string Label2() const;
  std::string SerialGroupCaption() const;
  // ComArgMemo: port; baud rate and parity; data and stop bits.
  const std::vector<std::string>& ComArgMemoLines() const { return comArgs_; }
  std::string DeviceTreeLabel() const;
  const std::vector<DeviceNode>& DeviceTree() const { return nodes_; }
  std::string GroupBox4Caption() const;
  const std::vector<std::string>& Memo5Lines() const { return usage_; }
  std::string FinishBtnCaption() const;
  std::string PrnBtnCaption() const;
  bool PrnBtnVisible() const { return false; }
  bool ProductControlsVisible() const { return false; }

  // "完成": the working block goes to the host's block; the changed flag stays as it is.
  void Finish();
  void Back() { run_.GoBack(); }
  // "取消": the host's block is not written and the run counts as unchanged.
  void Cancel() { run_.Cancel(true); }

 private:
  WizardRun& run_;
  const UiContext& context_;
  std::vector<std::string> comArgs_;
  std::vector<std::string> usage_;
  std::vector<DeviceNode> nodes_;
};

}  // namespace vdinv::ui
