// The summary page (TEndFrm, wizard page 7): the serial settings and the devices of the
// working block and a note on how tags name their device. "完成" writes the working block
// into the host's block and ends the wizard.
#pragma once

#include <string>
#include <vector>

#include "ui/device_entries.h"
#include "ui/wizard_page.h"

namespace vdinv::ui {

class SummaryPage : public WizardPageBase {
 public:
  SummaryPage(WizardRun& run, const UiContext& context, IViews& views);

  // ComArgMemo: port; baud rate and parity; data and stop bits.
  const std::vector<std::string>& ComArgMemoLines() const { return comArgs_; }
  const std::vector<DeviceNode>& DeviceTree() const { return nodes_; }
  const std::vector<std::string>& Memo5Lines() const { return usage_; }

  // "完成": the working block goes to the host's block; the changed flag stays as it is.
  void Finish();
  // The page's forward button is "完成".
  void Next() override { Finish(); }
  // "上一步" (LastBtn) and "取消" come from every page; "取消" writes nothing and the run
  // counts as unchanged.

 private:
  std::vector<std::string> comArgs_;
  std::vector<std::string> usage_;
  std::vector<DeviceNode> nodes_;
};

}  // namespace vdinv::ui
