// Stand-in for the Windows serial device until the overlapped-I/O device exists: every port
// reports itself missing, so the driver links, starts and reports the line as unavailable.
// Port names are the Windows device names (\\.\COMn; from COM10 the \\?\ form, which the
// plain name does not reach).
#include <memory>
#include <string>

#include "platform/serial_device.h"

namespace vdinv::platform {
namespace {

class MissingSerialDevice final : public ISerialDevice {
 public:
  SerialStatus Open(const std::string& /*path*/) override { return SerialStatus::kNotFound; }
  void Close() override {}
  bool IsOpen() const override { return false; }
  SerialStatus Configure(const SerialSettings& /*settings*/) override {
    return SerialStatus::kNotOpen;
  }
  bool SetQueueSizes(uint32_t /*inBytes*/, uint32_t /*outBytes*/) override { return false; }
  bool PurgeInput() override { return false; }
  int32_t BytesWaiting() override { return -1; }
  int32_t Read(uint8_t* /*buffer*/, uint32_t /*max*/, uint32_t /*timeoutMs*/) override {
    return -1;
  }
  int32_t Write(const uint8_t* /*bytes*/, uint32_t /*count*/, uint32_t /*timeoutMs*/) override {
    return -1;
  }
};

}  // namespace

std::unique_ptr<ISerialDevice> CreateSerialDevice() {
  return std::make_unique<MissingSerialDevice>();
}

std::string SerialPortPath(int comNumber) {
  if (comNumber < 1 || comNumber > 16) return {};
  return (comNumber < 10 ? "\\\\.\\COM" : "\\\\?\\COM") + std::to_string(comNumber);
}

}  // namespace vdinv::platform
