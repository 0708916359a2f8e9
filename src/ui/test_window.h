// The device test window: it starts a driver object on the calling thread with one test tag,
// polls it and shows the tag's value, the command frames and the replies; in advanced mode the
// user reads and writes an address of his own and sends raw command strings. Run either shows
// it modally through the views or tries the device silently.
//
// The window never keeps the driver object: every re-initialisation (IniDriver) stops and
// releases the thread's object and makes a new one, so each use takes the thread's object
// afresh and a released object is never touched.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/records.h"
#include "common/tag_value.h"
#include "engine/tag_item.h"
#include "host/driver_session.h"
#include "platform/clock.h"

namespace vdinv::ui {

class IViews;

// A tag's value as the table shows it: analog as a decimal number, switch "开" or "关", string
// as its text, any other type "[Other Type]".
std::string TableValueText(const TTagItem& tag);
// The table's value cell of a tag: its value once a read of it was answered, else empty (a
// value never read is no zero), followed by its quality "(质量 XXXXXXXX)" while it is unread
// or not good.
std::string TableValueCell(const TTagItem& tag);

// "TRUE" / "FALSE" in any letter case give a Boolean, any other text its decimal number;
// nothing when the text is no number (nothing is written then).
std::optional<TagValue> WriteValueOf(const std::string& text);

// The test tag's address: function code F03 of the smallest device in the block ("F<n>:3"),
// nothing without a device. The block is read as normalised, so an entry whose name does not
// match its model is no device.
std::optional<std::string> TestTagAddress(const void* block);

class TestWindow {
 public:
  using SleepFunction = std::function<void(uint32_t ms)>;

  static constexpr int kColumns = 4;
  static constexpr int kRows = 100;
  static constexpr int kNormalHeight = 256;
  static constexpr int kAdvancedHeight = 464;
  static constexpr int kSilentAttempts = 6;
  static constexpr uint32_t kTagScanPeriod = 500;
  // TypeGroup's items; the index is the tag type.
  enum TagType { kTypeAnalog = 0, kTypeSwitch = 1, kTypeString = 2 };

  // The window acts on the driver through the session; the clock and sleep time the silent
  // check.
  TestWindow(host::DriverSession& session, platform::IClock& clock, SleepFunction sleep);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  // Runs the test on a copy of the host's block (26508 bytes): shown through views when
  // interactive, else the silent check. True when a read of the test tag was answered.
  bool Run(const void* block, bool interactive, IViews* views);

  // What the view shows (UTF-8). StringGrid1: row 0 is the header.
  static std::string Caption();  // the window's
  // The fixed caption of a control by its name (ExitBtn, AskBtn, CommMsg, ReadCk, …); empty
  // for an unknown name.
  static std::string ControlCaption(const std::string& control);
  static std::vector<std::string> TypeGroupItems();
  const std::string& Cell(int column, int row) const;
  int Height() const { return advanced_ ? kAdvancedHeight : kNormalHeight; }
  bool Advanced() const { return advanced_; }
  std::string DebugBtnCaption() const;
  std::string PauseBtnCaption() const;
  bool PauseBtnEnabled() const { return pauseEnabled_; }
  bool Timer1Enabled() const { return timerOn_; }
  uint32_t Timer1Interval() const { return interval_; }
  bool Ready() const { return ready_; }
  bool Passed() const { return passed_; }
  const std::string& CommMsg() const { return commMsg_; }
  const std::string& SysMsg() const { return sysMsg_; }
  // The raw command in readable form (ui/frame_text.h); it starts as the first request seen.
  const std::string& AskMsg() const { return askMsg_; }
  const std::string& AnswerMsg() const { return answerMsg_; }
  const std::string& WStrMsg() const { return wStrMsg_; }
  const std::string& AddrEd() const { return addrEd_; }
  const std::string& WValueMsg() const { return wValueMsg_; }
  int TypeGroup() const { return typeGroup_; }
  bool ReadCk() const { return readCk_; }
  bool WriteCk() const { return writeCk_; }
  bool WriteCkEnabled() const { return writeCkEnabled_; }

  // The user's actions.
  void Timer1Fired();
  void DebugBtnClicked();
  void PauseBtnClicked();
  void ReadCkClicked() { SetReadCk(!readCk_); }
  void WriteCkClicked() { SetWriteCk(!writeCk_); }
  void AskBtnClicked();
  void AddrEdTyped(const std::string& text);
  void WValueMsgTyped(const std::string& text);
  void AskMsgTyped(const std::string& text) {
    askMsg_ = text;
    askTyped_ = true;
  }
  void TypeGroupChosen(int index);
  // "退出" or the frame: the driver object stops and polling ends.
  void Close();

 private:
  // A box state set from code runs its click handler, as a click does (only when it changes).
  void SetReadCk(bool ticked);
  void SetWriteCk(bool ticked);
  void ReadCkChanged();
  void WriteCkChanged();
  // IniDriver with the first entry of the tag list on the private block; SysMsg's text.
  bool Initialise(std::string& message);
  // After a re-initialisation: the returned message, or the busy port's box.
  void ReportInitialisation(const std::string& message);
  void MakeTestTag();
  void ReadAttempt();
  // The raw command waiting for a command in execution to take its place (after a
  // re-initialisation the new object has none until its first exchange).
  void SendPendingCommand();
  void FillTable(const std::vector<TTagItem>& tags);
  void ClearRows();
  void Silent();
  void Tell(const std::string& text, bool question);

  host::DriverSession& session_;
  platform::IClock& clock_;
  SleepFunction sleep_;
  IViews* views_ = nullptr;
  std::vector<uint8_t> block_;
  TTagInfo testTag_{};
  std::optional<TTagInfo> ownTag_;
  TTagInfo* startTag_ = nullptr;  // the tag the driver is started with
  std::array<std::array<std::string, kColumns>, kRows> grid_;
  bool ready_ = false;
  bool passed_ = false;
  bool advanced_ = false;
  bool timerOn_ = false;
  bool pauseEnabled_ = true;
  bool closed_ = false;
  uint32_t interval_ = 0;
  std::string commMsg_;
  std::string sysMsg_;
  std::string askMsg_;
  bool askTyped_ = false;
  std::optional<std::string> pendingCommand_;  // GBK bytes
  std::string lastOperation_;  // row 1, column 2 and 3: the last command seen in execution
  std::string lastRequest_;
  std::string answerMsg_;
  std::string wStrMsg_;
  std::string addrEd_;
  std::string wValueMsg_;
  int typeGroup_ = kTypeAnalog;
  bool readCk_ = false;
  bool writeCk_ = false;
  bool writeCkEnabled_ = true;
};

}  // namespace vdinv::ui
