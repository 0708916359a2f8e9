#include "ui/serial_page.h"

#include <algorithm>

#include "common/process_values.h"
#include "platform/text.h"
#include "ui/control_ids.h"
#include "ui/page_texts.h"

namespace vdinv::ui {
namespace {

constexpr int kPortCount = 16;
constexpr int kBaudCount = 15;
constexpr uint8_t kDefaultPort = 1;
constexpr uint8_t kDefaultBaud = 6;
constexpr uint8_t kSevenBits = 3;
constexpr uint8_t kEightBits = 4;
constexpr uint8_t kHalfStopBit = 1;

int Position(int code, int count) {
  return code < count ? code : -1;
}

// The option when it is 0, 1 or 2, else 0.
uint8_t Option(int option) {
  return option >= 0 && option <= 2 ? static_cast<uint8_t>(option) : 0;
}

// Blanks and control characters at either end are no part of a command.
std::string Trimmed(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  auto begin = std::find_if_not(text.begin(), text.end(), blank);
  auto end = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), blank);
  return std::string(begin, end.base());
}

// The page's groups, labels and buttons with their captions.
struct Captioned {
  const char* name;
  Msg text;
};
constexpr Captioned kCaptioned[] = {
    {names::ComGroup, Msg::UiComputerSerialGroup},
    {names::ComLabel, Msg::UiSerialPortLabel},
    {names::BautLabel, Msg::UiBaudLabel},
    {names::DataBitED, Msg::UiDataBitsGroup},
    {names::StopBitED, Msg::UiStopBitsGroup},
    {names::ParityEd, Msg::UiParityGroup},
    {names::SetGB, Msg::UiAdvancedGroup},
    {names::OutTimeLabel, Msg::UiTimeOutBefore},
    {names::OutTimeUnitLabel, Msg::UiTimeOutAfter},
    {names::WCountLabel, Msg::UiRepeatBefore},
    {names::WCountUnitLabel, Msg::UiRepeatAfter},
    {names::NoteGroup, Msg::UiNoteGroup},
    {names::NextBtn, Msg::UiNextBtn},
    {names::BackBtn, Msg::UiBackBtn},
    {names::CancelBtn, Msg::UiCancelBtn},
};

}  // namespace

SerialPage::SerialPage(WizardRun& run, const UiContext& context, IViews& views)
    : WizardPageBase(run, context, views, kPageSerial, U8(Msg::UiSerialCaption),
                     /*cancelClearsChanged=*/true) {
  const std::string& type = context_.devTypeName;
  controls_.Add(names::Label2, U8(Msg::UiSerialHeader) + type + U8(Msg::UiSerialHeaderEnd));
  for (const Captioned& c : kCaptioned) controls_.Add(c.name, U8(c.text));
  // The lists and edits show the block's settings through the page's own getters.
  for (const char* edit :
       {names::ComEd, names::BautEd, names::OutTimeEd, names::WCountEd, names::NoteMemo}) {
    controls_.Add(edit, "");
  }
  // The initialisation command is kept in the block but neither shown nor sent.
  controls_.Add(names::InitStrLabel, U8(Msg::UiInitCommand)).visible = false;
  controls_.Add(names::InitStrEd, "").visible = false;
  std::string first =
      context_.productText.empty()
          ? U8(Msg::UiSerialNoteHost)
          : U8(Msg::UiSerialNoteIn) + context_.productText + U8(Msg::UiSerialNoteUse);
  note_ = {first + type + U8(Msg::UiSerialNoteMust), U8(Msg::UiSerialNotePort),
           U8(Msg::UiSerialNoteOthers) + type + U8(Msg::UiSerialNoteAgree)};
  outTimeText_ = std::to_string(Pdb().OutTime);
  wCountText_ = std::to_string(Pdb().WCount);
  initStrText_ = platform::GbkToUtf8(Pdb().InitStr.Get());
}

int SerialPage::ComIndex() const {
  return Position(Pdb().ComPort, kPortCount);
}
int SerialPage::BautIndex() const {
  return Position(Pdb().BaudIndex, kBaudCount);
}
int SerialPage::DataBitIndex() const {
  return Pdb().DataBits == kSevenBits ? 0 : Pdb().DataBits == kEightBits ? 1 : -1;
}
int SerialPage::StopBitIndex() const {
  return Position(Pdb().StopBits, 3);
}
int SerialPage::ParityIndex() const {
  return Position(Pdb().Parity, 3);
}

void SerialPage::ComChosen(int position) {
  Pdb().ComPort =
      position >= 0 && position < kPortCount ? static_cast<uint8_t>(position) : kDefaultPort;
  run_.SetChanged();
}

void SerialPage::BautChosen(int position) {
  Pdb().BaudIndex =
      position >= 0 && position < kBaudCount ? static_cast<uint8_t>(position) : kDefaultBaud;
  run_.SetChanged();
}

void SerialPage::DataBitClicked(int option) {
  Pdb().DataBits = option == 0 ? kSevenBits : kEightBits;
  run_.SetChanged();
}

bool SerialPage::HalfStopBitRefused() const {
  // One and a half stop bits exist only for frames of five data bits; the page offers seven
  // and eight, and every serial port refuses the pair when the line opens.
  return Pdb().StopBits == kHalfStopBit;
}

std::vector<std::string> SerialPage::NoteLines() const {
  std::vector<std::string> lines = note_;
  if (HalfStopBitRefused()) lines.insert(lines.begin(), U8(Msg::UiHalfStopBitRefused));
  return lines;
}

void SerialPage::Next() {
  if (HalfStopBitRefused()) {
    views_.Inform(U8(Msg::UiHalfStopBitRefused), /*hideOwner=*/false);
    return;
  }
  GoNext(kPageSummary);
}

void SerialPage::StopBitClicked(int option) {
  Pdb().StopBits = Option(option);
  run_.SetChanged();
}

void SerialPage::ParityClicked(int option) {
  Pdb().Parity = Option(option);
  run_.SetChanged();
}

void SerialPage::OutTimeLeft(const std::string& text) {
  // A text that is no number (letters, an emptied edit) keeps the time-out: taken as 0 it
  // would become 10 ms, and every reply would time out.
  std::optional<int32_t> typed = DecimalValue(text);
  if (text == outTimeText_ || !typed) return;
  int32_t ms =
      std::clamp(*typed, static_cast<int32_t>(kMinOutTime), static_cast<int32_t>(kMaxOutTime));
  Pdb().OutTime = static_cast<uint16_t>(ms);
  outTimeText_ = std::to_string(ms);
  run_.SetChanged();
}

void SerialPage::WCountLeft(const std::string& text) {
  // A text that is no number keeps the count, as the time-out does.
  std::optional<int32_t> typed = DecimalValue(text);
  if (text == wCountText_ || !typed) return;
  // At least the count the process repeats writes with now, and never more than ten.
  int32_t floor = std::clamp(ProcessWCount(), 0, kMaxWCount);
  int32_t count = std::clamp(*typed, floor, kMaxWCount);
  Pdb().WCount = static_cast<uint8_t>(count);
  wCountText_ = std::to_string(count);
  run_.SetChanged();
}

void SerialPage::InitStrLeft(const std::string& text) {
  // The command is stored, not sent; it does not count as a change of the configuration.
  Pdb().InitStr.Set(platform::Utf8ToGbk(Trimmed(text)));
  initStrText_ = platform::GbkToUtf8(Pdb().InitStr.Get());
}

}  // namespace vdinv::ui
