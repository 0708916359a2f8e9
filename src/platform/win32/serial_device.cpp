// Serial devices on Windows: a COM port opened exclusively (no sharing) for overlapped I/O.
//
// The port's own time-outs are fixed at open: a read returns at once with what is buffered
// (interval MAXDWORD, multiplier and constant 0) and a write may take the port at most 5000 ms.
// A read's time-out is ours: a read that the system left pending is waited for on the
// completion event for that long, then cancelled and finished before its overlapped record and
// buffer go out of scope. Only a start that said ERROR_IO_PENDING is waited for: a device that
// vanished fails every start at once and has nothing pending to wait on.
//
// Writes never wait for the line: a write is copied and left to the system (one at a time,
// with its own record, buffer and event), and its bytes count as taken. While it is still
// going out the output has no room: the next write waits for it at most its time-out and takes
// nothing when it has not ended. PurgeOutput and Close abort it.
//
// Reads ask only for the bytes that ClearCommError reports waiting, so no read ever waits for
// data (an overlapped read of an empty queue does not return at once on every system).
//
// WaitForInput waits for a received character with an overlapped read of one byte together
// with the device's wake event, which Wake sets. For that read alone the port's time-outs are
// the wait's (a total of the time left, so the read ends with the first byte); the byte it takes
// is held and handed out first by the next Read, and counts as waiting. A read that has not
// ended when the wait does is cancelled and finished first (a byte it took meanwhile is held).
// (A WaitCommEvent would do without the held byte, but Wine serves each with a thread of its
// own and ends it as aborted every 2 ms or so.)
//
// Line settings and the device-control block they become; anything else is refused with
// kUnsupported and the port keeps the settings it had:
//   rate       any rate the port's driver takes and reads back
//   data bits  4 ... 8 (ByteSize)
//   stop bits  one: ONESTOPBIT; two: TWOSTOPBITS; one and a half is refused as on every
//              backend (a port that took it would frame differently from the others)
//   parity     NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY
//   options    fParity, fDsrSensitivity, fTXContinueOnXoff, fErrorChar, fNull; the five special
//              characters; XON limit 80 and XOFF limit 200 bytes
// Flow-control flags stay as the port reports them.
#include "platform/serial_device.h"

#include <windows.h>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace vdinv::platform {
namespace {

constexpr WORD kXonLimit = 80;
constexpr WORD kXoffLimit = 200;
constexpr DWORD kPortWriteTimeoutMs = 5000;
// How long an aborted write is waited for until the system gives its record back; normally it
// does so at once.
constexpr DWORD kAbortWaitMs = 100;

BYTE ParityCode(SerialParity parity) {
  switch (parity) {
    case SerialParity::kOdd:
      return ODDPARITY;
    case SerialParity::kEven:
      return EVENPARITY;
    case SerialParity::kMark:
      return MARKPARITY;
    case SerialParity::kSpace:
      return SPACEPARITY;
    case SerialParity::kNone:
      break;
  }
  return NOPARITY;
}

void ApplySettings(const SerialSettings& s, DCB* dcb) {
  dcb->BaudRate = s.baudRate;
  dcb->ByteSize = s.dataBits;
  dcb->Parity = ParityCode(s.parity);
  dcb->StopBits = s.stopBits == SerialStopBits::kTwo ? TWOSTOPBITS : ONESTOPBIT;
  dcb->fBinary = TRUE;  // the only mode Windows supports
  dcb->fParity = s.parityCheck;
  dcb->fDsrSensitivity = s.dsrSensitivity;
  dcb->fTXContinueOnXoff = s.txContinueOnXoff;
  dcb->fErrorChar = s.replaceErrors;
  dcb->fNull = s.discardNulls;
  dcb->XonChar = static_cast<char>(s.xonChar);
  dcb->XoffChar = static_cast<char>(s.xoffChar);
  dcb->ErrorChar = static_cast<char>(s.errorChar);
  dcb->EofChar = static_cast<char>(s.eofChar);
  dcb->EvtChar = static_cast<char>(s.evtChar);
  dcb->XonLim = kXonLimit;
  dcb->XoffLim = kXoffLimit;
}

// The frame and rate a port reports back; fParity is left out (some systems do not keep it).
bool SameFrame(const DCB& a, const DCB& b) {
  return a.BaudRate == b.BaudRate && a.ByteSize == b.ByteSize && a.Parity == b.Parity &&
         a.StopBits == b.StopBits;
}

SerialStatus OpenError(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return SerialStatus::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return SerialStatus::kBusy;
    default:
      return SerialStatus::kFailed;
  }
}

int32_t ToCount(DWORD n) {
  constexpr DWORD kMax = static_cast<DWORD>(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(n < kMax ? n : kMax);
}

class Win32SerialDevice final : public ISerialDevice {
 public:
  Win32SerialDevice()
      : wake_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),  // auto reset, not signalled
        commEvent_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Win32SerialDevice() override {
    Close();
    for (HANDLE h : {event_, wake_, commEvent_}) {
      if (h != nullptr) ::CloseHandle(h);
    }
  }
  Win32SerialDevice(const Win32SerialDevice&) = delete;
  Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

  SerialStatus Open(const std::string& path) override {
    Close();
    if (path.empty()) return SerialStatus::kNotFound;
    if (event_ == nullptr) {
      event_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);  // manual reset, not signalled
      if (event_ == nullptr) return SerialStatus::kFailed;
    }
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* no sharing */,
                             nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) return OpenError(::GetLastError());
    if (::GetFileType(h) != FILE_TYPE_CHAR) {
      ::CloseHandle(h);
      return SerialStatus::kNotSerial;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, kPortWriteTimeoutMs};
    if (!::GetCommState(h, &dcb)) {  // a character device that is no serial port
      ::CloseHandle(h);
      return SerialStatus::kNotSerial;
    }
    if (!::SetCommTimeouts(h, &timeouts)) {
      ::CloseHandle(h);
      return SerialStatus::kFailed;
    }
    handle_ = h;
    held_.reset();
    return SerialStatus::kOk;
  }

  void Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    AbortWrite();
    ::CloseHandle(handle_);  // ends any transfer of this handle
    handle_ = INVALID_HANDLE_VALUE;
  }

  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

  SerialStatus Configure(const SerialSettings& s) override {
    if (!IsOpen()) return SerialStatus::kNotOpen;
    if (s.dataBits < 4 || s.dataBits > 8 || s.baudRate == 0 ||
        s.stopBits == SerialStopBits::kOneAndHalf) {
      return SerialStatus::kUnsupported;
    }
    DCB old{};
    old.DCBlength = sizeof old;
    if (!::GetCommState(handle_, &old)) return SerialStatus::kFailed;
    DCB wanted = old;
    ApplySettings(s, &wanted);
    if (!::SetCommState(handle_, &wanted)) {
      const DWORD err = ::GetLastError();
      ::SetCommState(handle_, &old);
      return err == ERROR_INVALID_PARAMETER ? SerialStatus::kUnsupported : SerialStatus::kFailed;
    }
    // A driver may take a block and settle on something else: check the frame and rate took.
    DCB now{};
    now.DCBlength = sizeof now;
    if (!::GetCommState(handle_, &now) || !SameFrame(now, wanted)) {
      ::SetCommState(handle_, &old);
      return SerialStatus::kUnsupported;
    }
    return SerialStatus::kOk;
  }

  bool SetQueueSizes(uint32_t inBytes, uint32_t outBytes) override {
    return IsOpen() && ::SetupComm(handle_, inBytes, outBytes);
  }

  bool PurgeInput() override {
    held_.reset();
    return IsOpen() && ::PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
  }

  bool PurgeOutput() override {
    if (!IsOpen()) return false;
    AbortWrite();
    return ::PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR) != 0;
  }

  int32_t BytesWaiting() override {
    const int32_t queued = QueuedBytes();
    return queued < 0 ? -1 : queued + (held_ ? 1 : 0);
  }

  int32_t Read(uint8_t* buffer, uint32_t max, uint32_t timeoutMs) override {
    const int32_t waiting = QueuedBytes();
    if (waiting < 0) return -1;
    if (max == 0) return 0;
    uint32_t taken = 0;
    if (held_) {
      buffer[taken++] = *held_;
      held_.reset();
    }
    const uint32_t room = max - taken;
    if (waiting == 0 || room == 0) return ToCount(taken);
    const DWORD want = static_cast<uint32_t>(waiting) < room ? static_cast<DWORD>(waiting) : room;
    DWORD done = 0;
    const auto start = [&](OVERLAPPED* ov) {
      return ::ReadFile(handle_, buffer + taken, want, nullptr, ov);
    };
    if (!Transfer(start, timeoutMs, &done)) return taken > 0 ? ToCount(taken) : -1;
    return ToCount(taken + done);  // what was held when the time ran out with nothing read
  }

  int32_t Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) override {
    if (!IsOpen()) return -1;
    if (count == 0) return 0;
    if (writing_) {
      // The output has room once the write still going out has ended.
      if (::WaitForSingleObject(writing_->event, timeoutMs) != WAIT_OBJECT_0) return 0;
      DWORD done = 0;
      const bool ended = ::GetOverlappedResult(handle_, &writing_->ov, &done, FALSE) != 0;
      writing_.reset();
      if (!ended) return -1;  // the device failed
    }
    auto write = std::make_unique<PendingWrite>();
    if (write->event == nullptr) return -1;
    write->bytes.assign(bytes, bytes + count);
    write->ov.hEvent = write->event;
    if (::WriteFile(handle_, write->bytes.data(), count, nullptr, &write->ov)) {
      return ToCount(count);  // done at once: the system no longer refers to the record
    }
    if (::GetLastError() != ERROR_IO_PENDING) return -1;
    writing_ = std::move(write);
    return ToCount(count);
  }

  int32_t WaitForInput(uint32_t timeoutMs) override {
    if (!IsOpen() || commEvent_ == nullptr || wake_ == nullptr) return -1;
    const int32_t waiting = BytesWaiting();
    if (waiting != 0) return waiting < 0 ? -1 : 1;
    if (timeoutMs == 0) return 0;
    // Only this read waits for its byte: every other read asks for what is there.
    COMMTIMEOUTS wait{0, 0, timeoutMs, 0, kPortWriteTimeoutMs};
    if (!::SetCommTimeouts(handle_, &wait)) return -1;
    const int32_t result = ReadFirstByte(timeoutMs);
    COMMTIMEOUTS normal{MAXDWORD, 0, 0, 0, kPortWriteTimeoutMs};
    if (!::SetCommTimeouts(handle_, &normal)) return -1;
    return result;
  }

  void Wake() override {
    if (wake_ != nullptr) ::SetEvent(wake_);
  }

 private:
  int32_t QueuedBytes() {
    if (!IsOpen()) return -1;
    DWORD errors = 0;
    COMSTAT stat{};
    if (!::ClearCommError(handle_, &errors, &stat)) return -1;  // the device went away
    return ToCount(stat.cbInQue);
  }

  // The overlapped read of one byte of WaitForInput, or the wake event, at most ms: 1 when a
  // byte came (it is held), 0 when the time ran out or the wait was woken, -1 on failure.
  int32_t ReadFirstByte(DWORD ms) {
    uint8_t byte = 0;
    DWORD done = 0;
    OVERLAPPED ov{};
    ov.hEvent = commEvent_;
    ::ResetEvent(commEvent_);
    if (::ReadFile(handle_, &byte, 1, nullptr, &ov)) {
      if (!::GetOverlappedResult(handle_, &ov, &done, FALSE)) return -1;
    } else {
      if (::GetLastError() != ERROR_IO_PENDING) return -1;
      const HANDLE events[2] = {commEvent_, wake_};
      const DWORD woke = ::WaitForMultipleObjects(2, events, FALSE, ms);
      if (woke != WAIT_OBJECT_0) ::CancelIo(handle_);
      // The record and the byte are the system's until the read has ended. A read that ran
      // into its own time-out may end as timed out (Wine) rather than with nothing read.
      if (!::GetOverlappedResult(handle_, &ov, &done, TRUE)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_OPERATION_ABORTED && error != ERROR_TIMEOUT &&
            error != ERROR_SEM_TIMEOUT) {
          return -1;
        }
        done = 0;
      }
    }
    if (done == 0) return 0;
    held_ = byte;
    return 1;
  }

  // A write left to the system: its record, its copy of the bytes and its completion event
  // (manual reset) stay put until it has ended.
  struct PendingWrite {
    PendingWrite() : event(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~PendingWrite() {
      if (event != nullptr) ::CloseHandle(event);
    }
    PendingWrite(const PendingWrite&) = delete;
    PendingWrite& operator=(const PendingWrite&) = delete;
    OVERLAPPED ov{};
    std::vector<uint8_t> bytes;
    HANDLE event;
  };

  // Ends the write left to the system, if any: aborted when it is still going out, and waited
  // for until the system gives its record back. One the system keeps longer than kAbortWaitMs
  // is left to it for good (never reused, never freed) rather than holding up the caller.
  void AbortWrite() {
    if (!writing_) return;
    if (::WaitForSingleObject(writing_->event, 0) != WAIT_OBJECT_0) {
      ::PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
      ::CancelIo(handle_);  // where the purge does not end it: a write of this thread
      if (::WaitForSingleObject(writing_->event, kAbortWaitMs) != WAIT_OBJECT_0) {
        static_cast<void>(writing_.release());
        return;
      }
    }
    writing_.reset();
  }

  // Starts a transfer with start(&ov) (a ReadFile) and sets done to the bytes it
  // moved; false when it failed. A transfer left pending is waited for up to timeoutMs on the
  // completion event; when it has not completed by then, it is cancelled and the cancellation
  // waited for, so the system no longer refers to ov or the buffer once this returns.
  template <typename Start>
  bool Transfer(const Start& start, uint32_t timeoutMs, DWORD* done) {
    OVERLAPPED ov{};
    ov.hEvent = event_;
    ::ResetEvent(event_);
    if (start(&ov)) return ::GetOverlappedResult(handle_, &ov, done, FALSE) != 0;
    if (::GetLastError() != ERROR_IO_PENDING) return false;  // nothing pending to wait for
    if (::WaitForSingleObject(event_, timeoutMs) == WAIT_OBJECT_0) {
      return ::GetOverlappedResult(handle_, &ov, done, FALSE) != 0;
    }
    ::CancelIo(handle_);
    if (::GetOverlappedResult(handle_, &ov, done, TRUE)) return true;  // completed meanwhile
    return ::GetLastError() == ERROR_OPERATION_ABORTED;
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  HANDLE event_ = nullptr;       // the completion event of every read
  HANDLE wake_;                  // set by Wake: ends the wait for input
  HANDLE commEvent_;             // the completion event of the wait for input
  std::optional<uint8_t> held_;  // the byte the wait for input took, not yet read
  std::unique_ptr<PendingWrite> writing_;
};

}  // namespace

std::unique_ptr<ISerialDevice> CreateSerialDevice() {
  return std::make_unique<Win32SerialDevice>();
}

std::string SerialPortPath(int comNumber) {
  if (comNumber < 1 || comNumber > 16) return {};
  // From COM10 on, a port has no name in the DOS device space of older systems: only the
  // device-path prefix reaches it.
  const char* prefix = comNumber < 10 ? "\\\\.\\COM" : "\\\\?\\COM";
  return prefix + std::to_string(comNumber);
}

}  // namespace vdinv::platform
