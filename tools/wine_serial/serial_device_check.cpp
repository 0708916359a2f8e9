// The serial device of the operating system on COM1, with the inverter simulator answering on
// the far end (under Wine: COM1 mapped to the simulator's pseudo-terminal before Wine starts;
// the Windows tests set it up, tests/platform/win32/serial_device_check.sh runs this). Station 1
// must hold F03 = 3000.
//
//   serial_device_check        the exchange checks; exit code 0 when all passed
//   serial_device_check gone   as above, then three steps, each announced by a prompt on
//                              stdout and begun by a line on stdin: "STALL?" (the far end
//                              stops reading): a write is taken without waiting, the next finds
//                              no room until its time-out, and the purge drops what is queued;
//                              "GONE?" (the far end is taken away):
//                              every call fails at once; "BACK?" (it is back): COM1 opens again
//                              and answers
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/serial_device.h"
#include "protocol/check_code.h"

namespace vdinv::platform {
namespace {

using Clock = std::chrono::steady_clock;

int g_failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
  if (!ok) ++g_failures;
}

// A frame of station 1: SOH, "01", the kind byte, the text, ETX and the check digits.
std::string Frame(char kind, const std::string& text) {
  const std::string body = std::string("01") + kind + text + '\x03';
  return '\x01' + body + protocol::CheckDigits(body);
}

// Milliseconds that call took.
long long Ms(const std::function<void()>& call) {
  const auto start = Clock::now();
  call();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Waits (a few ms at a time, 2 s at most) until at least want bytes are waiting.
int32_t AwaitWaiting(ISerialDevice& device, int32_t want) {
  int32_t waiting = 0;
  for (int i = 0; i < 400 && (waiting = device.BytesWaiting()) >= 0 && waiting < want; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return waiting;
}

// Sends a request of station 1 and returns the reply it received.
std::string Exchange(ISerialDevice& device, const std::string& request) {
  const auto bytes = reinterpret_cast<const uint8_t*>(request.data());
  if (device.Write(bytes, static_cast<uint32_t>(request.size()), 1000) !=
      static_cast<int32_t>(request.size())) {
    return "(write failed)";
  }
  const int32_t waiting = AwaitWaiting(device, 16);
  if (waiting <= 0) return "(no reply)";
  uint8_t buffer[2048];
  const int32_t n = device.Read(buffer, sizeof buffer, 1000);
  return n > 0 ? std::string(reinterpret_cast<char*>(buffer), static_cast<size_t>(n)) : "";
}

void PortPaths() {
  Check(SerialPortPath(1) == "\\\\.\\COM1" && SerialPortPath(9) == "\\\\.\\COM9",
        "Com1 ... Com9 are \\\\.\\COMn");
  Check(SerialPortPath(10) == "\\\\?\\COM10" && SerialPortPath(16) == "\\\\?\\COM16",
        "Com10 ... Com16 take the device-path prefix");
  Check(SerialPortPath(0).empty() && SerialPortPath(17).empty(), "no path outside Com1 ... Com16");
}

void Refusals(ISerialDevice& device) {
  SerialSettings s;
  s.stopBits = SerialStopBits::kOneAndHalf;
  Check(device.Configure(s) == SerialStatus::kUnsupported, "one and a half stop bits refused");
  s = SerialSettings{};
  s.dataBits = 9;
  Check(device.Configure(s) == SerialStatus::kUnsupported, "nine data bits refused");
  s = SerialSettings{};
  s.baudRate = 0;
  Check(device.Configure(s) == SerialStatus::kUnsupported, "rate 0 refused");
}

void Exchanges(ISerialDevice& device) {
  uint8_t buffer[64];
  int32_t n = -2;
  const long long emptyMs = Ms([&] { n = device.Read(buffer, sizeof buffer, 1000); });
  std::printf("read of an empty queue: %d after %lld ms\n", n, emptyMs);
  Check(n == 0 && emptyMs < 100, "a read with nothing waiting returns 0 at once");

  const std::string readF03 = Frame('\x05', "RF03 0000");
  const std::string reply = Exchange(device, readF03);
  Check(reply == Frame('\x06', "RF03 0BB8"), "station 1 answers the read of F03 with 3000");

  // A reply left unread is thrown away by the purge before the next request.
  const auto bytes = reinterpret_cast<const uint8_t*>(readF03.data());
  Check(device.Write(bytes, static_cast<uint32_t>(readF03.size()), 1000) == 16, "request sent");
  Check(AwaitWaiting(device, 16) == 16, "the whole reply is waiting");
  Check(device.PurgeInput() && device.BytesWaiting() == 0, "the purge empties the input queue");

  const std::string write = Frame('\x05', "WF03 1234");
  Check(Exchange(device, write) == Frame('\x06', "WF03 1234"), "a write is acknowledged");
  Check(Exchange(device, readF03) == Frame('\x06', "RF03 1234"), "and reads back");
  Exchange(device, Frame('\x05', "WF03 0BB8"));  // the simulator's value as it was
}

// The wait for input: it runs out on a quiet line, ends with the reply's first byte and ends
// at once when it was woken.
void Waits(ISerialDevice& device) {
  int32_t result = -2;
  const long long quietMs = Ms([&] { result = device.WaitForInput(100); });
  std::printf("wait on a quiet line: %d after %lld ms\n", result, quietMs);
  Check(result == 0 && quietMs >= 90, "a wait on a quiet line runs out");
  const std::string readF03 = Frame('\x05', "RF03 0000");
  const auto bytes = reinterpret_cast<const uint8_t*>(readF03.data());
  Check(device.Write(bytes, static_cast<uint32_t>(readF03.size()), 1000) == 16, "request sent");
  const long long replyMs = Ms([&] { result = device.WaitForInput(2000); });
  Check(result == 1 && replyMs < 1000, "the wait ends with the reply");
  AwaitWaiting(device, 16);
  Check(device.PurgeInput(), "reply discarded");
  device.Wake();
  const long long wokenMs = Ms([&] { result = device.WaitForInput(2000); });
  Check(result == 0 && wokenMs < 500, "a wake ends the wait at once");
}

// Prints the prompt and waits for a line on stdin: false when stdin ended.
bool Prompt(const char* prompt) {
  std::printf("%s\n", prompt);
  char line[16];
  return std::fgets(line, sizeof line, stdin) != nullptr;
}

// The far end stops reading: a write larger than the line's buffers is taken at once and left
// to the system; while it cannot go out, the next write finds no room and takes nothing by its
// time-out; the purge of the output aborts what is queued.
void Stalled(ISerialDevice& device) {
  if (!Prompt("STALL? stop the far end, then send a line")) return;
  static uint8_t flood[256 * 1024];  // zeros: no frame for the simulator, only bytes to drop
  int32_t first = -2, second = -2;
  const long long firstMs = Ms([&] { first = device.Write(flood, sizeof flood, 0); });
  const long long secondMs = Ms([&] { second = device.Write(flood, 16, 300); });
  std::printf("writes to a stalled line: %d after %lld ms, then %d after %lld ms\n", first, firstMs,
              second, secondMs);
  Check(first > 0 && firstMs < 100, "a write to a stalled line takes what fits at once");
  Check(second == 0, "the next write finds no room");
  Check(secondMs >= 250 && secondMs < 1500, "it ends at its time-out");
  Check(device.PurgeOutput(), "the purge drops what is queued");
  if (!Prompt("RESUME? let the far end go on, then send a line")) return;
  Check(Exchange(device, Frame('\x05', "RF03 0000")) == Frame('\x06', "RF03 0BB8"),
        "the next request is answered");
}

void VanishedAndBack(ISerialDevice& device) {
  if (!Prompt("GONE? take the far end away, then send a line")) return;
  uint8_t buffer[64];
  const std::string request = Frame('\x05', "RF03 0000");
  int32_t waiting = 0, read = 0, written = 0;
  const long long ms = Ms([&] {
    waiting = device.BytesWaiting();
    read = device.Read(buffer, sizeof buffer, 1000);
    written = device.Write(reinterpret_cast<const uint8_t*>(request.data()),
                           static_cast<uint32_t>(request.size()), 1000);
  });
  std::printf("vanished device: waiting %d, read %d, write %d, %lld ms\n", waiting, read, written,
              ms);
  Check(waiting == -1 && read == -1, "a vanished device reports failure on polling");
  Check(written <= 0, "a write to a vanished device does not report success");
  Check(ms < 1500, "no call on a vanished device blocks");

  if (!Prompt("BACK? bring the far end back, then send a line")) return;
  Check(device.Open(SerialPortPath(1)) == SerialStatus::kOk, "COM1 opens again");
  SerialSettings s;
  s.baudRate = 9600;
  s.parity = SerialParity::kNone;
  Check(device.Configure(s) == SerialStatus::kOk, "9600 8N1 taken again");
  Check(Exchange(device, request) == Frame('\x06', "RF03 0BB8"), "the line answers again");
}

int Run(bool gone) {
  PortPaths();
  auto device = CreateSerialDevice();
  const SerialStatus opened = device->Open(SerialPortPath(1));
  Check(opened == SerialStatus::kOk, "COM1 opens");
  if (opened != SerialStatus::kOk) return 1;
  Check(device->Open("\\\\.\\COM1") == SerialStatus::kOk && device->IsOpen(),
        "opening again closes the device first");
  SerialSettings s;
  s.baudRate = 9600;
  s.parity = SerialParity::kNone;
  Check(device->Configure(s) == SerialStatus::kOk, "9600 8N1 taken");
  Check(device->SetQueueSizes(2048, 2048), "2048-byte queues");
  Refusals(*device);
  Exchanges(*device);
  Waits(*device);
  if (gone) {
    Stalled(*device);
    VanishedAndBack(*device);
  }
  device->Close();
  Check(!device->IsOpen() && device->BytesWaiting() == -1, "a closed device reports failure");
  Check(device->Open("\\\\.\\COM99") == SerialStatus::kNotFound, "a missing port is not found");
  Check(device->Configure(s) == SerialStatus::kNotOpen, "settings need an open device");
  std::printf("%s\n", g_failures == 0 ? "ALL PASSED" : "FAILED");
  return g_failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace vdinv::platform

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return vdinv::platform::Run(argc > 1 && std::strcmp(argv[1], "gone") == 0);
}
