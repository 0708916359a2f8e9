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
// WaitForInput waits for a received character with an overlapped WaitCommEvent (the event
// mask EV_RXCHAR, set at the first wait of an open port) together with the device's wake event,
// which Wake sets. A wait that ends without the character (time-out, wake) completes the pending
// WaitCommEvent by setting the mask again and waits for its record back before it returns. A
// WaitCommEvent the system ends early as aborted, with nothing received, is made again until the
// time is up (Wine ends each after about 2 ms: there the wait looks at the queue that often).
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
    maskSet_ = false;
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
    return IsOpen() && ::PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
  }

  bool PurgeOutput() override {
    if (!IsOpen()) return false;
    AbortWrite();
    return ::PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR) != 0;
  }

  int32_t BytesWaiting() override {
    if (!IsOpen()) return -1;
    DWORD errors = 0;
    COMSTAT stat{};
    if (!::ClearCommError(handle_, &errors, &stat)) return -1;  // the device went away
    return ToCount(stat.cbInQue);
  }

  int32_t Read(uint8_t* buffer, uint32_t max, uint32_t timeoutMs) override {
    const int32_t waiting = BytesWaiting();
    if (waiting <= 0 || max == 0) return waiting < 0 ? -1 : 0;
    const DWORD want = static_cast<uint32_t>(waiting) < max ? static_cast<DWORD>(waiting) : max;
    DWORD done = 0;
    const auto start = [&](OVERLAPPED* ov) {
      return ::ReadFile(handle_, buffer, want, nullptr, ov);
    };
    if (!Transfer(start, timeoutMs, &done)) return -1;
    return ToCount(done);  // 0 when the time ran out with nothing read
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
    const DWORD start = ::GetTickCount();
    for (;;) {
      const int32_t waiting = BytesWaiting();
      if (waiting != 0) return waiting < 0 ? -1 : 1;
      const DWORD elapsed = ::GetTickCount() - start;
      if (elapsed >= timeoutMs) return 0;
      switch (WaitForCharacter(timeoutMs - elapsed)) {
        case WaitEnd::kWoken:
          return 0;
        case WaitEnd::kFailed:
          return -1;
        case WaitEnd::kEvent:  // a character, or a wait the system ended early: look again
          break;
      }
    }
  }

  void Wake() override {
    if (wake_ != nullptr) ::SetEvent(wake_);
  }

 private:
  enum class WaitEnd : uint8_t { kEvent, kWoken, kFailed };

  // One overlapped WaitCommEvent for a received character, or the wake event, at most ms.
  // A wait the system ends without a character (some end it at once as aborted) counts as an
  // event: the caller looks at the queue again. The time-out counts as an event, too.
  WaitEnd WaitForCharacter(DWORD ms) {
    if (!maskSet_) {
      if (!::SetCommMask(handle_, EV_RXCHAR)) return WaitEnd::kFailed;
      maskSet_ = true;
    }
    OVERLAPPED ov{};
    ov.hEvent = commEvent_;
    ::ResetEvent(commEvent_);
    DWORD mask = 0;
    DWORD done = 0;
    if (::WaitCommEvent(handle_, &mask, &ov)) return WaitEnd::kEvent;
    if (::GetLastError() != ERROR_IO_PENDING) return WaitEnd::kFailed;
    const HANDLE events[2] = {commEvent_, wake_};
    const DWORD woke = ::WaitForMultipleObjects(2, events, FALSE, ms);
    if (woke != WAIT_OBJECT_0) {
      ::SetCommMask(handle_, EV_RXCHAR);  // ends the pending wait with an empty mask
    }
    // The record is the system's until the wait has ended.
    if (!::GetOverlappedResult(handle_, &ov, &done, TRUE) &&
        ::GetLastError() != ERROR_OPERATION_ABORTED) {
      return WaitEnd::kFailed;
    }
    if (woke == WAIT_OBJECT_0 + 1) return WaitEnd::kWoken;
    if (woke == WAIT_OBJECT_0 || woke == WAIT_TIMEOUT) return WaitEnd::kEvent;
    return WaitEnd::kFailed;
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
  HANDLE event_ = nullptr;  // the completion event of every read
  HANDLE wake_;             // set by Wake: ends the wait for input
  HANDLE commEvent_;        // the completion event of the wait for input
  bool maskSet_ = false;    // the port's event mask is EV_RXCHAR
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
