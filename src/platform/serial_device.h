// A serial device: exclusive open by path, line settings, the input queue, and reads and writes
// bounded by a time-out. The serial line of the driver speaks only through this interface;
// tests hand in a fake.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vdinv::platform {

// The results of opening and configuring a device.
enum class SerialStatus : uint8_t {
  kOk,
  kNotFound,     // no such device
  kBusy,         // another program (or another opener in this one) holds the device
  kNotSerial,    // the path names something that is not a serial device
  kUnsupported,  // the device refuses the settings (a rate or byte size it cannot do)
  kNotOpen,      // the operation needs an open device
  kFailed,       // any other refusal of the operating system
};

enum class SerialParity : uint8_t { kNone, kOdd, kEven, kMark, kSpace };
enum class SerialStopBits : uint8_t { kOne, kOneAndHalf, kTwo };

// Line settings. Options that the POSIX terminal interface cannot express are carried for
// backends that can, and noted as such.
struct SerialSettings {
  uint32_t baudRate = 19200;
  uint8_t dataBits = 8;                            // 4..8; POSIX devices take 5..8
  SerialStopBits stopBits = SerialStopBits::kOne;  // POSIX: one and a half is refused
  SerialParity parity = SerialParity::kEven;       // POSIX: mark and space need CMSPAR
  // Received bytes are checked for parity errors (POSIX: INPCK; a byte that fails the check is
  // delivered as 0, the only error character the terminal interface knows).
  bool parityCheck = true;
  // Bytes are received only while DSR is asserted. POSIX: no equivalent, ignored.
  bool dsrSensitivity = false;
  // Sending goes on after an XOFF was sent. POSIX: software flow control is always off, so
  // this has no effect.
  bool txContinueOnXoff = false;
  // Bytes with parity errors are replaced by errorChar. POSIX: no equivalent beyond the 0 of
  // parityCheck, ignored.
  bool replaceErrors = false;
  // Received 0 bytes are discarded. POSIX: no equivalent (IGNBRK ignores break conditions,
  // not 0 bytes), ignored.
  bool discardNulls = false;
  // Special characters. POSIX: xon/xoff become VSTART/VSTOP (unused while software flow
  // control is off); error, eof and event characters have no meaning in raw mode.
  uint8_t xonChar = 17;
  uint8_t xoffChar = 19;
  uint8_t errorChar = 0;
  uint8_t eofChar = 0;
  uint8_t evtChar = 0;
};

class ISerialDevice {
 public:
  virtual ~ISerialDevice() = default;

  // Opens the device for reading and writing, exclusively and non-blocking, in raw mode: no
  // echo, no signals, no CR/LF translation, no software flow control, the receiver on and the
  // modem lines ignored. An open device is closed first.
  virtual SerialStatus Open(const std::string& path) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Applies the settings; on any refusal (kUnsupported: the device cannot do them) the device
  // keeps its previous settings. Settings are never silently replaced by others.
  virtual SerialStatus Configure(const SerialSettings& settings) = 0;
  // Asks for input and output queues of the given sizes; false when refused.
  virtual bool SetQueueSizes(uint32_t inBytes, uint32_t outBytes) = 0;
  // Discards everything received and not yet read.
  virtual bool PurgeInput() = 0;
  // Discards everything taken for sending (Write) and not yet sent.
  virtual bool PurgeOutput() = 0;
  // The number of bytes received and not yet read; -1 when the device failed (it vanished).
  virtual int32_t BytesWaiting() = 0;
  // Reads up to max bytes, waiting at most timeoutMs for the first: the count (0 when nothing
  // arrived in time), -1 when the device failed.
  virtual int32_t Read(uint8_t* buffer, uint32_t max, uint32_t timeoutMs) = 0;
  // Takes bytes for sending, as many as the device's output has room for, waiting at most
  // timeoutMs for room (0: only what fits at once, never waiting). The result is the count
  // taken, 0 to count (0: no room came); -1 when the device failed. Bytes taken go out in
  // order and stay queued until sent or purged (PurgeOutput); nothing taken is ever dropped by
  // Write itself. Bytes not taken are the caller's, to offer again or to give up. A device may
  // take a whole write at once and then nothing until it has gone out (Win32: one write in
  // the system's keeping). The bytes are never referenced after the call returns.
  virtual int32_t Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) = 0;
  // Waits until received bytes are waiting to be read, the device fails, Wake is called or
  // timeoutMs has passed, without taking anything: 1 when bytes are waiting, 0 when the time
  // ran out or the wait was woken, -1 when the device is not open or failed. A wake that comes
  // while nobody waits ends the next wait at once.
  virtual int32_t WaitForInput(uint32_t timeoutMs) = 0;
  // Ends a WaitForInput of another thread. The only member that may be called while another
  // thread is inside a call of the device.
  virtual void Wake() = 0;
};

// A device of the operating system.
std::unique_ptr<ISerialDevice> CreateSerialDevice();

// The device path of port "ComN", N = 1..16: the environment variable VD_INV_COMN when it is
// set and not empty, else /dev/ttyS(N-1). Empty for other numbers.
std::string SerialPortPath(int comNumber);

}  // namespace vdinv::platform
