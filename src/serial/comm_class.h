// TCommClass: the serial line of one driver object. It opens its port exclusively, applies the
// line settings of the parameter block, sends a frame after discarding whatever was still
// waiting on either side, and collects the bytes that arrive into a reply text that keeps the
// last kRecvKeepBytes of them. It does no framing of replies: the engine decides when to poll
// and when to give up. Neither a send nor a poll waits for the port: a frame goes out as far as
// the port's output takes it, and each later poll offers the rest, until the reply time-out.
// Only the open at initialisation (IniComm, or WaitForPort ahead of it) waits for a missing or
// busy port; a send on a closed port tries to open it once and goes on, so a vanished adapter
// never holds up a poll.
// TCommEventChars holds the five special characters of the line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/parameter_block.h"
#include "platform/clock.h"
#include "platform/serial_device.h"

namespace vdinv::serial {

class TCommClass;

// The special characters of a line. Changing one re-applies the owning port's line settings.
class TCommEventChars {
 public:
  explicit TCommEventChars(TCommClass& owner) : owner_(owner) {}
  TCommEventChars(const TCommEventChars&) = delete;
  TCommEventChars& operator=(const TCommEventChars&) = delete;

  uint8_t XonChar() const { return xonChar_; }
  uint8_t XoffChar() const { return xoffChar_; }
  uint8_t ErrorChar() const { return errorChar_; }
  uint8_t EofChar() const { return eofChar_; }
  uint8_t EvtChar() const { return evtChar_; }
  void SetXonChar(uint8_t c) { Change(xonChar_, c); }
  void SetXoffChar(uint8_t c) { Change(xoffChar_, c); }
  void SetErrorChar(uint8_t c) { Change(errorChar_, c); }
  void SetEofChar(uint8_t c) { Change(eofChar_, c); }
  void SetEvtChar(uint8_t c) { Change(evtChar_, c); }
  // Copies all five characters of another set, then re-applies the line settings.
  void Assign(const TCommEventChars& other);

 private:
  void Change(uint8_t& field, uint8_t c);

  TCommClass& owner_;
  uint8_t xonChar_ = 17;   // DC1
  uint8_t xoffChar_ = 19;  // DC3
  uint8_t errorChar_ = 0;
  uint8_t eofChar_ = 0;
  uint8_t evtChar_ = 0;
};

// Line options: bit i of TCommClass::Options().
enum CommOption : uint8_t {
  kOptParityCheck = 1u << 0,
  kOptDsrSensitivity = 1u << 1,
  kOptTxContinueOnXoff = 1u << 2,
  kOptErrorChar = 1u << 3,
  kOptDiscardNulls = 1u << 4,
};

class TCommClass {
 public:
  using DeviceFactory = std::function<std::unique_ptr<platform::ISerialDevice>()>;
  using SleepFunction = std::function<void(uint32_t ms)>;

  // How long the open at initialisation retries a missing or busy port.
  static constexpr uint32_t kOpenRetryMs = 5000;
  // Pause between two open attempts, so that waiting for a busy port does not spin.
  static constexpr uint32_t kOpenRetryPauseMs = 20;
  static constexpr size_t kMaxFrameChars = 255;
  // The received bytes the reply text keeps, the last ones. Twice what one poll reads
  // (InQueueSize), so that a reply whose last byte came with the latest read is whole in it;
  // a reply is 16 bytes, and the time-out's log line shows what came before it.
  static constexpr uint32_t kRecvKeepBytes = 4096;
  // FlowMode value that keeps the flow control the port reports.
  static constexpr uint8_t kFlowKeep = 4;

  explicit TCommClass(bool clearOnSend, DeviceFactory factory = platform::CreateSerialDevice,
                      platform::IClock& clock = platform::SystemClock(),
                      SleepFunction sleep = DefaultSleep());
  ~TCommClass();
  TCommClass(const TCommClass&) = delete;
  TCommClass& operator=(const TCommClass&) = delete;

  // Takes port and line settings from the block and opens the port (an open port is kept and
  // gets the new settings). status receives the result text (GBK), followed by a line saying
  // the serial settings are wrong when a code is outside its table or the device refused the
  // settings; true when the port is open.
  bool IniComm(const TDevParmBlock& block, bool textMode, std::string& status);
  // Opens the block's port ahead of IniComm, retrying a missing or busy one for kOpenRetryMs,
  // so that the wait can be made where it holds up nothing else (the caller's own thread, no
  // lock held). The IniComm that follows waits no more: it keeps the port open, or makes one
  // attempt. True when the port is open.
  bool WaitForPort(const TDevParmBlock& block);
  // Sends the first 255 characters of the frame (text mode: one byte per character; else one
  // byte per pair of hexadecimal digits), after discarding the input waiting and whatever an
  // earlier frame left unsent, so that nothing stale or half goes out ahead of it. Only what
  // the port's output takes at once is written; GetStr offers the rest. A closed port gets one
  // open attempt first, none while the last failed attempt is less than the process's reply
  // time-out ago; without a port nothing is sent and the exchange runs into its time-out.
  void SendStr(const std::string& frame);
  // Offers the port what the last frame has left unsent (dropped, and the port's output
  // purged, once the reply time-out has passed since the send), collects what has arrived and
  // returns the received text: the last kRecvKeepBytes bytes received since the last send.
  const std::string& GetStr();

  // Opens the port, retrying a missing or busy one for kOpenRetryMs.
  void Open();
  void Close();
  bool Connected() const;
  // Applies the line settings to the open port. A code outside its table, or settings the
  // device refuses, leave the port as it was; IniComm reports it.
  void ApplyCommState();
  // Discards the input waiting in the system and the received text.
  void PurgeInput();
  // Waits at most timeoutMs for received bytes without taking them (the device's
  // WaitForInput): 1 when bytes are waiting, 0 when the time ran out or Wake ended the wait, -1
  // without an open port.
  int32_t WaitForInput(uint32_t timeoutMs);
  // Ends a WaitForInput of another thread; may be called from any thread.
  void Wake();
  // The last frame has bytes the port's output has not taken yet (GetStr offers them again).
  bool SendPending() const { return !Unsent_.empty(); }

  // The settings the codes stand for; nothing when a code is outside its table.
  std::optional<platform::SerialSettings> LineSettings() const;

  void SetFlowMode(uint8_t mode);

  const std::string& PortName() const { return PortName_; }
  bool TextMode() const { return TextMode_; }
  uint8_t BaudIndex() const { return BaudIndex_; }
  uint8_t Parity() const { return Parity_; }
  uint8_t StopBits() const { return StopBits_; }
  uint8_t DataBits() const { return DataBits_; }
  uint8_t Options() const { return Options_; }
  uint8_t FlowMode() const { return FlowMode_; }
  uint32_t ReadTimeout() const { return ReadTimeout_; }
  uint32_t WriteTimeout() const { return WriteTimeout_; }
  uint32_t InQueueSize() const { return InQueueSize_; }
  uint32_t OutQueueSize() const { return OutQueueSize_; }
  bool ClearOnSend() const { return ClearOnSend_; }
  const std::string& RecvText() const { return RecvText_; }
  // Characters received since the last send or purge that RecvText no longer holds (those
  // before its first).
  uint64_t RecvCut() const { return RecvCut_; }
  const std::string& StatusText() const { return StatusText_; }
  TCommEventChars& EventChars() { return EventChars_; }

 private:
  static SleepFunction DefaultSleep();
  // Takes the port number of the block; false (the port kept) when it is outside 0..15.
  bool TakePort(const TDevParmBlock& block);
  // Open with the retry loop (retry) or with a single attempt.
  void OpenPort(bool retry);
  void CreateCommHandle(bool retry);
  // The open attempt of a send on a closed port.
  void ReopenForSend();
  void PollInput();
  void ReadStr(uint32_t count);
  int32_t ReadBytes(uint8_t* buffer, uint32_t count);
  // Offers the port the unsent rest of the frame; a device that failed is closed.
  void WriteBytes();
  // Gives up the unsent rest of the frame and what the port's output still holds of it.
  void DropUnsent();
  void ClearRecvText();

  std::unique_ptr<platform::ISerialDevice> device_;
  platform::IClock& clock_;
  SleepFunction sleep_;
  // Held for the whole of one read or one write, and while the port closes.
  std::mutex lock_;

  bool TextMode_ = true;
  int PortNumber_ = 1;
  std::string PortName_ = "Com1";
  // The name of the port that is open (a changed PortName takes effect at the next open).
  std::string OpenName_;
  uint32_t ReadTimeout_ = 1000;
  // Kept as the block's record of the port; writes never wait (see SendStr).
  uint32_t WriteTimeout_ = 1000;
  uint32_t InQueueSize_ = 2048;
  uint32_t OutQueueSize_ = 2048;
  uint8_t BaudIndex_ = 8;  // 19200
  uint8_t Parity_ = 2;     // even
  uint8_t StopBits_ = 0;   // one
  uint8_t DataBits_ = 4;   // 8 bits
  TCommEventChars EventChars_{*this};
  uint8_t Options_ = 0;
  uint8_t FlowMode_ = kFlowKeep;
  std::string RecvText_;
  uint64_t RecvCut_ = 0;
  // The bytes of the last frame that the port has not taken yet, and when it was sent.
  std::vector<uint8_t> Unsent_;
  uint32_t SentTick_ = 0;
  bool ClearOnSend_;
  std::string StatusText_;
  // The last ApplyCommState on an open port left the port's settings as they were.
  bool SettingsRefused_ = false;
  // When the last open attempt failed; empty once an attempt succeeded.
  std::optional<uint32_t> LastFailedOpen_;
  // WaitForPort has made the wait of the next IniComm.
  bool PortWaited_ = false;
};

}  // namespace vdinv::serial
