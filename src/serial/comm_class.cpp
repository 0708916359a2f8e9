#include "serial/comm_class.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "common/baud_rates.h"
#include "common/messages.h"
#include "common/process_values.h"
#include "platform/interrupt.h"

namespace vdinv::serial {
namespace {

constexpr uint8_t kDataBits[] = {4, 5, 6, 7, 8};
constexpr platform::SerialStopBits kStopBits[] = {platform::SerialStopBits::kOne,
                                                  platform::SerialStopBits::kOneAndHalf,
                                                  platform::SerialStopBits::kTwo};
constexpr platform::SerialParity kParities[] = {
    platform::SerialParity::kNone, platform::SerialParity::kOdd, platform::SerialParity::kEven,
    platform::SerialParity::kMark, platform::SerialParity::kSpace};

template <typename Table>
bool InTable(uint8_t code, const Table& table) {
  return code < std::size(table);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void TCommEventChars::Change(uint8_t& field, uint8_t c) {
  field = c;
  owner_.ApplyCommState();
}

void TCommEventChars::Assign(const TCommEventChars& other) {
  if (&other == this) return;
  xonChar_ = other.xonChar_;
  xoffChar_ = other.xoffChar_;
  errorChar_ = other.errorChar_;
  eofChar_ = other.eofChar_;
  evtChar_ = other.evtChar_;
  owner_.ApplyCommState();
}

TCommClass::SleepFunction TCommClass::DefaultSleep() {
  return [](uint32_t ms) { platform::SleepMilliseconds(ms); };
}

TCommClass::TCommClass(bool clearOnSend, DeviceFactory factory, platform::IClock& clock,
                       SleepFunction sleep)
    : device_(factory ? factory() : nullptr),
      clock_(clock),
      sleep_(std::move(sleep)),
      ClearOnSend_(clearOnSend) {
  if (!device_) device_ = platform::CreateSerialDevice();
}

TCommClass::~TCommClass() {
  Close();
}

bool TCommClass::TakePort(const TDevParmBlock& block) {
  const bool portValid = block.ComPort <= 15;
  if (portValid) {
    PortNumber_ = block.ComPort + 1;
    PortName_ = "Com" + std::to_string(PortNumber_);
  }
  return portValid;
}

bool TCommClass::WaitForPort(const TDevParmBlock& block) {
  TakePort(block);
  CreateCommHandle(true);
  PortWaited_ = true;
  return Connected();
}

bool TCommClass::IniComm(const TDevParmBlock& block, bool textMode, std::string& status) {
  const bool portValid = TakePort(block);
  TextMode_ = textMode;
  BaudIndex_ = block.BaudIndex;
  DataBits_ = block.DataBits;
  StopBits_ = block.StopBits;
  Parity_ = block.Parity;
  Options_ = kOptParityCheck;
  SettingsRefused_ = false;
  SetFlowMode(kFlowKeep);
  // After WaitForPort the port is open, or was waited for in vain: one more attempt is enough.
  OpenPort(!std::exchange(PortWaited_, false));
  status = StatusText_;
  // A port number or line code outside its table, or settings the device refused, cannot be
  // applied: say so after the result of the open.
  if (!portValid || !LineSettings() || SettingsRefused_) {
    status += "\r\n" + Text(Msg::PortSettingsWrong);
  }
  return Connected();
}

void TCommClass::SendStr(const std::string& frame) {
  if (ClearOnSend_) ClearRecvText();
  const std::string text = frame.substr(0, std::min(frame.size(), kMaxFrameChars));
  std::vector<uint8_t> bytes;
  if (TextMode_) {
    bytes.assign(text.begin(), text.end());
  } else {
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
      const int high = HexDigit(text[i]);
      const int low = HexDigit(text[i + 1]);
      if (high < 0 || low < 0) return;  // not a hexadecimal frame: nothing is sent
      bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
  }
  if (!Connected()) ReopenForSend();
  if (!Connected()) return;
  PurgeInput();
  // The earlier exchange has ended: what its frame left unsent (a peer that stopped reading,
  // a stuck adapter) must not go out ahead of this frame, nor half of it.
  DropUnsent();
  Unsent_ = std::move(bytes);
  SentTick_ = clock_.TickCount();
  WriteBytes();
}

const std::string& TCommClass::GetStr() {
  if (!Unsent_.empty()) {
    // The rest goes out as the port takes it, until the exchange is given up at its time-out.
    if (static_cast<uint32_t>(clock_.TickCount() - SentTick_) > ProcessOutTime()) {
      DropUnsent();
    } else {
      WriteBytes();
    }
  }
  PollInput();
  return RecvText_;
}

void TCommClass::DropUnsent() {
  Unsent_.clear();
  if (Connected()) device_->PurgeOutput();
}

void TCommClass::ClearRecvText() {
  RecvText_.clear();
  RecvCut_ = 0;
}

void TCommClass::Open() {
  OpenPort(true);
}

void TCommClass::ReopenForSend() {
  // The host's poll thread sends: it must not wait for the port. One attempt per reply
  // time-out is enough to pick the device up again once it is back behind its name; the
  // process-wide time-out is read at each send, as the engine reads it for its exchanges.
  if (LastFailedOpen_ &&
      static_cast<uint32_t>(clock_.TickCount() - *LastFailedOpen_) < ProcessOutTime()) {
    return;
  }
  OpenPort(false);
}

void TCommClass::OpenPort(bool retry) {
  CreateCommHandle(retry);
  ApplyCommState();
  // The port time-outs are those of each transfer (ReadTimeout, WriteTimeout); reads ask only
  // for the bytes already waiting, so they return at once.
  if (!Connected()) return;
  if (device_->SetQueueSizes(InQueueSize_, OutQueueSize_)) {
    StatusText_ = OpenName_ + Text(Msg::PortOpened);
  } else {
    StatusText_ = Text(Msg::PortBuffersFailed);
  }
}

void TCommClass::CreateCommHandle(bool retry) {
  if (Connected()) return;
  const std::string path = platform::SerialPortPath(PortNumber_);
  const uint32_t start = clock_.TickCount();
  for (;;) {
    const platform::SerialStatus result = device_->Open(path);
    if (result == platform::SerialStatus::kOk) {
      OpenName_ = PortName_;
      LastFailedOpen_.reset();
      return;
    }
    // A send makes one attempt only; something that is not a serial device will not become
    // one by waiting.
    if (!retry || result == platform::SerialStatus::kNotSerial) break;
    if (static_cast<uint32_t>(clock_.TickCount() - start) > kOpenRetryMs) break;
    sleep_(kOpenRetryPauseMs);
  }
  LastFailedOpen_ = clock_.TickCount();
  StatusText_ = PortName_ + Text(Msg::PortUnavailable);
}

void TCommClass::Close() {
  std::lock_guard<std::mutex> hold(lock_);
  if (device_->IsOpen()) device_->Close();
}

bool TCommClass::Connected() const {
  return device_->IsOpen();
}

std::optional<platform::SerialSettings> TCommClass::LineSettings() const {
  if (!InTable(BaudIndex_, kBaudRates) || !InTable(DataBits_, kDataBits) ||
      !InTable(StopBits_, kStopBits) || !InTable(Parity_, kParities)) {
    return std::nullopt;
  }
  platform::SerialSettings s;
  s.baudRate = kBaudRates[BaudIndex_];
  s.dataBits = kDataBits[DataBits_];
  s.stopBits = kStopBits[StopBits_];
  s.parity = kParities[Parity_];
  s.parityCheck = (Options_ & kOptParityCheck) != 0;
  s.dsrSensitivity = (Options_ & kOptDsrSensitivity) != 0;
  s.txContinueOnXoff = (Options_ & kOptTxContinueOnXoff) != 0;
  s.replaceErrors = (Options_ & kOptErrorChar) != 0;
  s.discardNulls = (Options_ & kOptDiscardNulls) != 0;
  s.xonChar = EventChars_.XonChar();
  s.xoffChar = EventChars_.XoffChar();
  s.errorChar = EventChars_.ErrorChar();
  s.eofChar = EventChars_.EofChar();
  s.evtChar = EventChars_.EvtChar();
  return s;
}

void TCommClass::ApplyCommState() {
  if (!Connected()) return;
  // A code outside its table has no setting: the port keeps the settings it has. A refused
  // setting leaves the port as it was, too.
  const auto settings = LineSettings();
  SettingsRefused_ = !settings || device_->Configure(*settings) != platform::SerialStatus::kOk;
}

void TCommClass::SetFlowMode(uint8_t mode) {
  if (FlowMode_ == mode) return;
  FlowMode_ = mode;
  ApplyCommState();
}

void TCommClass::PurgeInput() {
  if (!Connected()) return;
  device_->PurgeInput();
  ClearRecvText();
}

int32_t TCommClass::WaitForInput(uint32_t timeoutMs) {
  if (!Connected()) return -1;
  return device_->WaitForInput(timeoutMs);
}

void TCommClass::Wake() {
  device_->Wake();
}

void TCommClass::PollInput() {
  if (!Connected()) return;
  const int32_t waiting = device_->BytesWaiting();
  if (waiting < 0) {
    Close();  // the device went away
    return;
  }
  if (waiting > 0) ReadStr(static_cast<uint32_t>(waiting));
}

void TCommClass::ReadStr(uint32_t count) {
  // One poll takes at most a buffer of InQueueSize bytes; the rest waits for the next poll.
  std::vector<uint8_t> buffer(std::max<uint32_t>(InQueueSize_, 1), 0);
  const uint32_t wanted = std::min(count, static_cast<uint32_t>(buffer.size()));
  const int32_t n = ReadBytes(buffer.data(), wanted);
  if (n < 0) {
    Close();  // the device went away
    return;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  const size_t got = std::min(static_cast<size_t>(n), static_cast<size_t>(wanted));
  for (size_t i = 0; i < got; ++i) {
    const uint8_t b = buffer[i];
    if (TextMode_) {
      RecvText_ += static_cast<char>(b);
    } else {
      RecvText_ += kHex[b >> 4];
      RecvText_ += kHex[b & 0x0F];
    }
  }
  // A line that never stops sending must not grow the text without bound: only the last bytes
  // are kept, and the count of those let go tells the exchange where the text now begins.
  const size_t keep = TextMode_ ? kRecvKeepBytes : 2 * size_t{kRecvKeepBytes};
  if (RecvText_.size() > keep) {
    const size_t cut = RecvText_.size() - keep;
    RecvText_.erase(0, cut);
    RecvCut_ += cut;
  }
}

int32_t TCommClass::ReadBytes(uint8_t* buffer, uint32_t count) {
  std::lock_guard<std::mutex> hold(lock_);
  return device_->Read(buffer, count, ReadTimeout_);
}

void TCommClass::WriteBytes() {
  if (Unsent_.empty()) return;
  int32_t n = -1;
  if (Connected()) {
    std::lock_guard<std::mutex> hold(lock_);
    // Only what the output takes now: a peer that never reads cannot hold up a poll.
    n = device_->Write(Unsent_.data(), static_cast<uint32_t>(Unsent_.size()), 0);
  }
  if (n < 0) {
    Unsent_.clear();
    Close();  // the device went away: the next send opens it again
    return;
  }
  const size_t taken = std::min(static_cast<size_t>(n), Unsent_.size());
  Unsent_.erase(Unsent_.begin(), Unsent_.begin() + static_cast<std::ptrdiff_t>(taken));
}

}  // namespace vdinv::serial
