// The serial parameters page (TStep4Frm, wizard page 6): port, baud rate, data bits, stop bits
// and parity of the line, and under "高级设置" the reply time-out and the write repetitions.
// Every change of a setting sets the run's changed flag; the page leads to the summary page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/serial_texts.h"
#include "ui/wizard_page.h"

namespace vdinv::ui {

class SerialPage : public WizardPageBase {
 public:
  static constexpr int32_t kMaxWCount = 10;
  static constexpr size_t kInitStrLength = 50;

  SerialPage(WizardRun& run, const UiContext& context, IViews& views);

  // The read-only note of the group "参数说明"; while one and a half stop bits are chosen, it
  // begins with the reason the page does not go on with them.
  std::vector<std::string> NoteLines() const;
  // One and a half stop bits are chosen (also as the block stored them): the page shows why
  // and "下一步" tells it again instead of going on.
  bool HalfStopBitRefused() const;

  // The lists and option groups: their choices and the chosen position (-1: none, when the
  // block holds a code the control does not offer).
  std::vector<std::string> ComChoices() const { return PortChoices(); }
  int ComIndex() const;
  std::vector<std::string> BautChoices() const { return BaudChoices(); }
  int BautIndex() const;
  std::vector<std::string> DataBitChoices() const { return DataBitsChoices(); }
  int DataBitIndex() const;
  std::vector<std::string> StopBitChoices() const { return StopBitsChoices(); }
  int StopBitIndex() const;
  std::vector<std::string> ParityChoiceTexts() const { return ParityChoices(); }
  int ParityIndex() const;
  const std::string& OutTimeText() const { return outTimeText_; }
  const std::string& WCountText() const { return wCountText_; }
  const std::string& InitStrText() const { return initStrText_; }

  void ComChosen(int position);
  void BautChosen(int position);
  void DataBitClicked(int option);
  void StopBitClicked(int option);
  void ParityClicked(int option);
  // The edits are left with the text they hold; a text the user did not change, or one that is
  // no number, does nothing (the edit shows the value again).
  void OutTimeLeft(const std::string& text);
  void WCountLeft(const std::string& text);
  void InitStrLeft(const std::string& text);

  void Next() override;

 private:
  TDevParmBlock& Pdb() { return run_.Working(); }
  const TDevParmBlock& Pdb() const { return run_.Working(); }

  std::vector<std::string> note_;
  std::string outTimeText_;
  std::string wCountText_;
  std::string initStrText_;
};

}  // namespace vdinv::ui
