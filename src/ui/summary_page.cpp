#include "ui/summary_page.h"

#include "common/baud_rates.h"
#include "ui/control_ids.h"
#include "ui/page_texts.h"
#include "ui/serial_texts.h"

namespace vdinv::ui {
namespace {

std::vector<std::string> SerialLines(const TDevParmBlock& pdb) {
  std::string baud = U8(Msg::UiBaudIs) + BaudText(pdb.BaudIndex);
  // Past the table the line ends after the baud rate (the default one's text).
  if (pdb.BaudIndex < kBaudRates.size()) {
    baud += BaudSeparator(pdb.BaudIndex) + ParityText(pdb.Parity);
  }
  return {PortText(pdb.ComPort), baud,
          U8(Msg::UiDataBitsIs) + DataBitsText(pdb.DataBits) + U8(Msg::UiStopBitsIs) +
              StopBitsText(pdb.StopBits)};
}

std::vector<std::string> UsageLines(const UiContext& c) {
  std::string which =
      U8(Msg::UiUsageWhich) + U8(Msg::UiUsageBelongs) + c.devTypeName + U8(Msg::UiUsageFullStop);
  std::string unique = U8(Msg::UiUsageUnique) + c.devIdName + U8(Msg::UiUsageFullStop);
  if (c.productText.empty()) {
    return {U8(Msg::UiUsageHostConnected) + c.devTypeName + unique,
            U8(Msg::UiUsageHostNewTag) + c.devIdName + which};
  }
  return {U8(Msg::UiUsageEach) + c.productText + U8(Msg::UiUsageConnected) + c.devTypeName + unique,
          U8(Msg::UiSerialNoteIn) + c.productText + U8(Msg::UiUsageNewTag) + c.devIdName + which};
}

}  // namespace

SummaryPage::SummaryPage(WizardRun& run, const UiContext& context, IViews& views)
    : WizardPageBase(run, context, views, kPageSummary, U8(Msg::UiSummaryCaption),
                     /*cancelClearsChanged=*/true),
      comArgs_(SerialLines(run.Working())),
      usage_(UsageLines(context)),
      nodes_(DeviceNodesByModel(run.Working())) {
  controls_.Add(names::Label2, U8(Msg::UiSummaryHeader));
  controls_.Add(names::ComArgGroup, U8(Msg::UiSerialArgsGroup));
  controls_.Add(names::ComArgMemo, "");
  controls_.Add(names::DeviceTreeLabel, U8(Msg::UiDeviceTreeLabel));
  controls_.Add(names::DeviceTree, "");
  controls_.Add(names::GroupBox4, context.deviceName + U8(Msg::UiUsage));
  controls_.Add(names::Memo5, "");
  controls_.Add(names::FinishBtn, U8(Msg::UiFinish));
  controls_.Add(names::LastBtn, U8(Msg::UiBackBtn));
  controls_.Add(names::CancelBtn, U8(Msg::UiCancelBtn));
  // Printing the page is not offered.
  controls_.Add(names::PrnBtn, U8(Msg::UiPrint)).visible = false;
}

void SummaryPage::Finish() {
  run_.SetNextPage(kPageEnd);
  run_.WriteBack();
  RequestClose();
}

}  // namespace vdinv::ui
