// A serial line with nobody on it: it opens, takes every setting and every byte, and never
// answers. For benchmarks and fuzz targets that run driver objects without a line.
#pragma once

#include <functional>
#include <memory>

#include "platform/serial_device.h"

namespace vdinv::test {

class QuietSerialDevice : public platform::ISerialDevice {
 public:
  static std::function<std::unique_ptr<platform::ISerialDevice>()> Factory() {
    return [] { return std::make_unique<QuietSerialDevice>(); };
  }
  platform::SerialStatus Open(const std::string&) override {
    open_ = true;
    return platform::SerialStatus::kOk;
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  platform::SerialStatus Configure(const platform::SerialSettings&) override {
    return platform::SerialStatus::kOk;
  }
  bool SetQueueSizes(uint32_t, uint32_t) override { return true; }
  bool PurgeInput() override { return true; }
  bool PurgeOutput() override { return true; }
  int32_t BytesWaiting() override { return 0; }
  int32_t Read(uint8_t*, uint32_t, uint32_t) override { return 0; }
  int32_t Write(const uint8_t*, uint32_t count, uint32_t) override {
    return static_cast<int32_t>(count);
  }
  int32_t WaitForInput(uint32_t) override { return open_ ? 0 : -1; }
  void Wake() override {}

 private:
  bool open_ = false;
};

}  // namespace vdinv::test
