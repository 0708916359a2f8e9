#include "ui/summary_page.h"

#include "common/baud_rates.h"
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

SummaryPage::SummaryPage(WizardRun& run, const UiContext& context)
    : run_(run),
      context_(context),
      comArgs_(SerialLines(run.Working())),
      usage_(UsageLines(context)),
      nodes_(DeviceNodesByModel(run.Working())) {
  run_.SetNextPage(kPageEnd);
}

std::string SummaryPage::Caption() const {
  return context_.deviceName + U8(Msg::UiSummaryCaption);
}
std::string SummaryPage::Label1() const {
  return WizardHeader(context_);
}
std::string SummaryPage::Label2() const {
  return U8(Msg::UiSummaryHeader);
}
std::string SummaryPage::SerialGroupCaption() const {
  return U8(Msg::UiSerialArgsGroup);
}
std::string SummaryPage::DeviceTreeLabel() const {
  return U8(Msg::UiDeviceTreeLabel);
}
std::string SummaryPage::GroupBox4Caption() const {
  return context_.deviceName + U8(Msg::UiUsage);
}
std::string SummaryPage::FinishBtnCaption() const {
  return U8(Msg::UiFinish);
}
std::string SummaryPage::PrnBtnCaption() const {
  return U8(Msg::UiPrint);
}

void SummaryPage::Finish() {
  run_.SetNextPage(kPageEnd);
  run_.WriteBack();
}

}  // namespace vdinv::ui
