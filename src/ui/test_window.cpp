#include "ui/test_window.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/messages.h"
#include "common/parameter_block.h"
#include "common/process_values.h"
#include "common/short_string.h"
#include "platform/text.h"
#include "ui/control_ids.h"
#include "ui/frame_text.h"
#include "ui/views.h"

namespace vdinv::ui {
namespace {

constexpr const char* kTestTagName = "AI";
constexpr const char* kOwnTagName = "Y0.0";
// OLE variant type words of the own tag's initial values.
constexpr uint16_t kVariantInt32 = 3;
constexpr uint16_t kVariantBool = 11;
constexpr uint16_t kVariantText = 30;  // a text pointer; null is the empty text
constexpr size_t kMaxFrameBytes = 255;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

void SetField(char* field, size_t size, std::string_view text) {
  std::memset(field, 0, size);
  text.copy(field, size);
}

// A read of the test tag succeeded when the device's reply to it was accepted: every read
// counts in ReadCount, the failed ones in ReadFailCount as well. The counters start at zero
// with each table, so they count since the test (or its latest re-initialisation) began.
bool TestTagAnswered(const std::vector<TTagItem>& tags) {
  if (tags.empty()) return false;
  const TTagItem& tag = tags.front();
  return tag.ReadCount > tag.ReadFailCount;
}

}  // namespace

std::string TableValueText(const TTagItem& tag) {
  switch (tag.DataType) {
    case kAnalog:
      return FormatNumber15(tag.Value.ToDouble());
    case kSwitch:
      return Utf8Text(tag.Value.ToBoolean() ? Msg::UiTestSwitchOn : Msg::UiTestSwitchOff);
    case kString:
      return platform::GbkToUtf8(tag.Value.ToText());
    default:
      return Utf8Text(Msg::UiTestOtherType);
  }
}

std::string TableValueCell(const TTagItem& tag) {
  const bool answered = tag.ReadCount > tag.ReadFailCount;
  std::string cell = answered ? TableValueText(tag) : std::string();
  if (!answered || tag.Quality != 0) {
    char quality[16];
    std::snprintf(quality, sizeof quality, "%08X", static_cast<unsigned>(tag.Quality));
    if (!cell.empty()) cell += ' ';
    cell += std::string("(") + Utf8Text(Msg::UiTestQuality) + quality + ")";
  }
  return cell;
}

std::optional<TagValue> WriteValueOf(const std::string& text) {
  if (EqualsNoCase(text, "TRUE")) return TagValue::Boolean(true);
  if (EqualsNoCase(text, "FALSE")) return TagValue::Boolean(false);
  std::string_view number = Trimmed(text);
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  double value = 0;
  const char* end = number.data() + number.size();
  auto [stop, error] = std::from_chars(number.data(), end, value);
  if (number.empty() || error != std::errc() || stop != end) return std::nullopt;
  return TagValue::Double(value);
}

std::optional<std::string> TestTagAddress(const void* block) {
  TDevParmBlock pdb = LoadPdb(block);
  CheckPdbModels(pdb);
  for (int device = 0; device < kDeviceCount; ++device) {
    if (pdb.Devices[device].Model != kModelNone) return "F" + std::to_string(device) + ":3";
  }
  return std::nullopt;
}

TestWindow::TestWindow(host::DriverSession& session, platform::IClock& clock, SleepFunction sleep)
    : session_(session), clock_(clock), sleep_(std::move(sleep)) {
  const Msg header[kColumns] = {Msg::UiTestTagAddress, Msg::UiTestTagValue, Msg::UiTestTagOperation,
                                Msg::UiTestHostCommand};
  for (int column = 0; column < kColumns; ++column) grid_[0][column] = Utf8Text(header[column]);
}

TestWindow::~TestWindow() = default;

std::string TestWindow::Caption() {
  return Utf8Text(Msg::UiTestWindowCaption);
}

std::string TestWindow::ControlCaption(const std::string& control) {
  static const std::pair<const char*, Msg> kCaptions[] = {
      {names::ExitBtn, Msg::UiTestExit},           {names::CommMsg, Msg::UiTestCommEvent},
      {names::SysMsg, Msg::UiTestSystemState},     {names::AskMsg, Msg::UiTestCommandString},
      {names::AskBtn, Msg::UiTestSendCommand},     {names::AnswerMsg, Msg::UiTestAnswerString},
      {names::AddrEd, Msg::UiTestTagAddress},      {names::wValueMsg, Msg::UiTestWriteValue},
      {names::wStrMsg, Msg::UiTestWriteString},    {names::ReadCk, Msg::UiTestReadOperation},
      {names::WriteCk, Msg::UiTestWriteOperation}, {names::TypeGroup, Msg::UiTestTagType},
  };
  for (const auto& [name, text] : kCaptions) {
    if (control == name) return Utf8Text(text);
  }
  return {};
}

std::vector<std::string> TestWindow::TypeGroupItems() {
  return {Utf8Text(Msg::UiTestAnalog), Utf8Text(Msg::UiTestSwitch), Utf8Text(Msg::UiTestString)};
}

const std::string& TestWindow::Cell(int column, int row) const {
  static const std::string kNone;
  if (column < 0 || column >= kColumns || row < 0 || row >= kRows) return kNone;
  return grid_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

std::string TestWindow::DebugBtnCaption() const {
  return Utf8Text(advanced_ ? Msg::UiTestAutomatic : Msg::UiTestAdvanced);
}

std::string TestWindow::PauseBtnCaption() const {
  return Utf8Text(timerOn_ ? Msg::UiTestPause : Msg::UiTestResume);
}

bool TestWindow::Run(const void* block, bool interactive, IViews* views) {
  views_ = views;
  if (block == nullptr) return false;
  block_.assign(kPdbLength, 0);
  StorePdb(block_.data(), LoadPdb(block));
  // Without a device there is nothing to read: no driver object is started.
  std::optional<std::string> address = TestTagAddress(block_.data());
  if (!address) {
    if (interactive) Tell(Utf8Text(Msg::UiTestUnsupported), true);
    return false;
  }
  MakeTestTag();
  std::string message;
  if (!Initialise(message)) return false;
  if (!session_.Running()) return false;
  const std::vector<TTagItem> tags = session_.Tags();
  if (tags.empty()) {
    Tell(Utf8Text(Msg::UiTestUnsupported), true);
    return false;
  }
  advanced_ = false;
  ready_ = false;
  const TTagItem& first = tags.front();
  addrEd_ = platform::GbkToUtf8(first.TagAddr);
  typeGroup_ = first.DataType <= kTypeString ? int{first.DataType} : int{kTypeAnalog};
  interval_ = static_cast<uint32_t>(std::max(session_.ScanTime(), 1));
  timerOn_ = true;
  ready_ = true;
  sysMsg_ = message;
  if (interactive && views != nullptr) {
    views->Show(*this);
    Close();
  } else {
    Silent();
  }
  return passed_;
}

void TestWindow::MakeTestTag() {
  std::optional<std::string> address = TestTagAddress(block_.data());
  testTag_ = TTagInfo{};
  SetField(testTag_.TagName, sizeof testTag_.TagName, kTestTagName);
  SetField(testTag_.TagAddr, sizeof testTag_.TagAddr, address.value_or(std::string()));
  testTag_.DataType = kAnalog;
  testTag_.ScanPeriod = kTagScanPeriod;
  startTag_ = &testTag_;
}

bool TestWindow::Initialise(std::string& message) {
  std::string text;
  const bool ok = session_.Start(block_.data(), *startTag_, text);
  message = platform::GbkToUtf8(text);
  return ok;
}

void TestWindow::ReportInitialisation(const std::string& message) {
  if (session_.PortOpen()) {
    sysMsg_ = message;
  } else {
    Tell(Utf8Text(Msg::UiTestPortBusy), false);
  }
}

// Each attempt comes when more than the reply time-out has passed since the previous one (the
// first one time-out after the start). The engine makes its exchanges only when it is polled,
// so between attempts the object is polled at its scan time, as the poll timer of the shown
// window would: a frame sent by one poll has its reply taken by a later one.
void TestWindow::Silent() {
  const uint32_t timeout = ProcessOutTime();
  uint32_t previous = clock_.TickCount();
  for (int attempt = 0; attempt < kSilentAttempts && !passed_; ++attempt) {
    for (;;) {
      const uint32_t elapsed = clock_.TickCount() - previous;
      if (elapsed > timeout) break;
      session_.Poll();
      sleep_(std::min(interval_, timeout + 1 - elapsed));
    }
    previous = clock_.TickCount();
    ReadAttempt();
  }
}

void TestWindow::ReadAttempt() {
  if (!session_.Running()) return;
  session_.Poll();
  if (TestTagAnswered(session_.Tags())) passed_ = true;
}

void TestWindow::Timer1Fired() {
  if (!timerOn_ || closed_ || !session_.Running() || !ready_) return;
  // The event stays shown until a new one replaces it: the poll comes every few milliseconds,
  // far too often for anybody to read a text that lives for one poll.
  const std::string event = session_.TakeEvent();
  if (!event.empty()) commMsg_ = platform::GbkToUtf8(event);
  ClearRows();
  const std::vector<TTagItem> tags = session_.Tags();
  if (tags.empty()) return;
  SendPendingCommand();
  FillTable(tags);
  ReadAttempt();
}

void TestWindow::SendPendingCommand() {
  if (!pendingCommand_) return;
  if (!session_.SendRaw(*pendingCommand_)) return;
  pendingCommand_.reset();
  sysMsg_ = Utf8Text(Msg::UiTestCommandQueued);
}

void TestWindow::ClearRows() {
  for (int row = 1; row < kRows; ++row) {
    for (std::string& cell : grid_[static_cast<size_t>(row)]) cell.clear();
  }
}

void TestWindow::FillTable(const std::vector<TTagItem>& tags) {
  size_t row = 1;
  for (const TTagItem& tag : tags) {
    if (row >= kRows) break;
    grid_[row][0] = platform::GbkToUtf8(tag.TagAddr);
    grid_[row][1] = TableValueCell(tag);
    ++row;
  }
  row = 2;
  for (const std::string& request : session_.Requests()) {
    if (row >= kRows) break;
    grid_[row++][3] = ReadableFrame(request);
  }
  // Between two exchanges there is no command in execution, and a reply is empty until it
  // arrives: the last ones seen stay shown until new ones replace them.
  const std::optional<host::Exchange> current = session_.Current();
  if (current) {
    const std::string frame = ReadableFrame(current->request);
    lastOperation_ = Utf8Text(current->isWrite ? Msg::UiTestWriteTag : Msg::UiTestReadTag);
    lastRequest_ = frame;
    if (current->isWrite) wStrMsg_ = frame;
    // The raw command starts as a request the user can change and send.
    if (!askTyped_ && askMsg_.empty()) askMsg_ = frame;
  }
  grid_[1][2] = lastOperation_;
  grid_[1][3] = lastRequest_;
  // What arrives for the command in execution, noise and echo included, as it comes; between
  // exchanges the last reply taken.
  const std::string lastReply = session_.LastReply();
  if (current && !current->reply.empty()) {
    answerMsg_ = ReadableFrame(current->reply);
  } else if (!lastReply.empty()) {
    answerMsg_ = ReadableFrame(lastReply);
  }
}

void TestWindow::DebugBtnClicked() {
  if (!session_.Running()) {
    Tell(Utf8Text(Msg::UiTestNoDriver), false);
    return;
  }
  advanced_ = !advanced_;
  pauseEnabled_ = !advanced_;
  timerOn_ = true;
  if (!advanced_) {
    MakeTestTag();
    ready_ = false;
    std::string message;
    if (Initialise(message)) ready_ = true;
    ReportInitialisation(message);
  }
  SetReadCk(false);
}

void TestWindow::PauseBtnClicked() {
  if (pauseEnabled_) timerOn_ = !timerOn_;
}

void TestWindow::SetReadCk(bool ticked) {
  if (readCk_ == ticked) return;
  readCk_ = ticked;
  ReadCkChanged();
}

void TestWindow::SetWriteCk(bool ticked) {
  if (writeCk_ == ticked) return;
  writeCk_ = ticked;
  WriteCkChanged();
}

void TestWindow::ReadCkChanged() {
  // The driver's address check gives the address back in its normal form.
  addrEd_ = platform::GbkToUtf8(session_.CheckAddress(block_.data(), platform::Utf8ToGbk(addrEd_)));
  if (readCk_ && session_.Running()) {
    if (!ownTag_) ownTag_.emplace();
    TTagInfo& tag = *ownTag_;
    tag = TTagInfo{};
    SetField(tag.TagName, sizeof tag.TagName, kOwnTagName);
    SetField(tag.TagAddr, sizeof tag.TagAddr, platform::Utf8ToGbk(addrEd_));
    tag.DataType = static_cast<uint8_t>(typeGroup_);
    tag.ScanPeriod = kTagScanPeriod;
    if (typeGroup_ == kTypeAnalog) {
      tag.InitValue.vt = kVariantInt32;
      const int32_t minusOne = -1;
      std::memcpy(tag.InitValue.value, &minusOne, sizeof minusOne);
    } else {
      tag.InitValue.vt = typeGroup_ == kTypeSwitch ? kVariantBool : kVariantText;
    }
    startTag_ = &tag;
  }
  ready_ = false;
  std::string result;
  if (Initialise(result)) {
    writeCkEnabled_ = true;
    ready_ = true;
  }
  ReportInitialisation(result);
}

void TestWindow::WriteCkChanged() {
  if (!writeCk_) return;
  if (!session_.Running() || !session_.Current()) return;
  SetReadCk(true);  // may re-initialise: the session then acts on the new object
  std::optional<TagValue> value = WriteValueOf(wValueMsg_);
  const std::vector<TTagItem> tags = session_.Tags();
  if (!value || tags.empty()) return;
  // A refused write is not reported: the table shows whether the value arrived.
  session_.Write(tags.back().TagID, *value);
}

void TestWindow::AskBtnClicked() {
  if (!session_.Running()) {
    Tell(Utf8Text(Msg::UiTestNoDriver), false);
    return;
  }
  if (askMsg_.empty()) {
    Tell(Utf8Text(Msg::UiTestEmptyCommand), false);
    return;
  }
  SetReadCk(false);
  SetWriteCk(false);
  // The command takes the place of the request of the command in execution and goes out at
  // its next exchange. Unticking the boxes may have started a new object, which has no command
  // in execution until its first exchange: the command then waits for it.
  const std::string frame = FrameOfReadable(askMsg_) + "\r";
  pendingCommand_ = std::string(GbkPrefix(frame, kMaxFrameBytes));
  sysMsg_ = Utf8Text(Msg::UiTestCommandWaits);
  SendPendingCommand();
}

void TestWindow::AddrEdTyped(const std::string& text) {
  addrEd_ = text;
  SetReadCk(false);
  SetWriteCk(false);
  writeCkEnabled_ = false;
}

void TestWindow::WValueMsgTyped(const std::string& text) {
  wValueMsg_ = text;
  SetWriteCk(false);
}

void TestWindow::TypeGroupChosen(int index) {
  if (index >= kTypeAnalog && index <= kTypeString) typeGroup_ = index;
}

void TestWindow::Close() {
  if (closed_) return;
  closed_ = true;
  timerOn_ = false;
  session_.Stop();
}

void TestWindow::Tell(const std::string& text, bool question) {
  if (views_ == nullptr) return;
  if (question) {
    views_->Question(text);
  } else {
    views_->Inform(text, false);
  }
}

}  // namespace vdinv::ui
