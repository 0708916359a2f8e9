// A serial device in memory. The test keeps the shared line state: what the device is to
// answer (open results, bytes arriving, a vanished device) and what it was asked to do (paths,
// settings, bytes written), and the port paths of the environment. Header only: the module tests
// share the support folder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/serial_device.h"
#include "support/scoped_environment.h"

namespace vdinv::test {

struct FakeSerialLine {
  // Opening: the results of the next attempts, in order; when none are left every attempt
  // gives openResult.
  std::vector<platform::SerialStatus> openResults;
  platform::SerialStatus openResult = platform::SerialStatus::kOk;
  std::function<void()> onOpenAttempt;
  int openAttempts = 0;
  std::vector<std::string> openedPaths;
  bool open = false;

  platform::SerialStatus configureResult = platform::SerialStatus::kOk;
  std::vector<platform::SerialSettings> configured;
  bool queueSizesOk = true;

  // Bytes received and not yet read; every write is recorded with the bytes it took.
  std::string input;
  std::vector<std::string> writes;
  int purges = 0;
  // Room left in the output: how many more bytes writes take (no limit when empty), as a
  // peer that stops reading leaves it. What writes would have waited for room that never
  // came, in ms: a poll held up.
  std::optional<size_t> outputRoom;
  int outputPurges = 0;
  uint64_t writeWaitMs = 0;
  std::vector<uint32_t> readSizes;
  // The device went away: every query and transfer fails.
  bool vanished = false;

  // Receives bytes at the line's input.
  void Arrive(const std::string& bytes) { input += bytes; }
};

// Points VD_INV_COMn at a path (nullptr: unset) for the life of the object.
class ScopedPortPath {
 public:
  ScopedPortPath(int com, const char* path) : variable_("VD_INV_COM" + std::to_string(com), path) {}

 private:
  ScopedEnvironment variable_;
};

class FakeSerialDevice : public platform::ISerialDevice {
 public:
  explicit FakeSerialDevice(std::shared_ptr<FakeSerialLine> line) : line_(std::move(line)) {}

  // A device factory for TCommClass that hands out devices on this line.
  static std::function<std::unique_ptr<platform::ISerialDevice>()> Factory(
      std::shared_ptr<FakeSerialLine> line) {
    return [line] { return std::make_unique<FakeSerialDevice>(line); };
  }

  platform::SerialStatus Open(const std::string& path) override {
    Close();
    ++line_->openAttempts;
    if (line_->onOpenAttempt) line_->onOpenAttempt();
    platform::SerialStatus result = line_->openResult;
    if (!line_->openResults.empty()) {
      result = line_->openResults.front();
      line_->openResults.erase(line_->openResults.begin());
    }
    if (result != platform::SerialStatus::kOk) return result;
    line_->openedPaths.push_back(path);
    line_->open = true;
    line_->vanished = false;
    return result;
  }
  void Close() override { line_->open = false; }
  bool IsOpen() const override { return line_->open; }
  platform::SerialStatus Configure(const platform::SerialSettings& settings) override {
    if (!line_->open) return platform::SerialStatus::kNotOpen;
    if (line_->configureResult == platform::SerialStatus::kOk) {
      line_->configured.push_back(settings);
    }
    return line_->configureResult;
  }
  bool SetQueueSizes(uint32_t, uint32_t) override { return line_->open && line_->queueSizesOk; }
  bool PurgeInput() override {
    if (!line_->open || line_->vanished) return false;
    ++line_->purges;
    line_->input.clear();
    return true;
  }
  int32_t BytesWaiting() override {
    if (!line_->open || line_->vanished) return -1;
    return static_cast<int32_t>(line_->input.size());
  }
  int32_t Read(uint8_t* buffer, uint32_t max, uint32_t) override {
    if (!line_->open || line_->vanished) return -1;
    line_->readSizes.push_back(max);
    const size_t n = std::min<size_t>(max, line_->input.size());
    std::copy_n(line_->input.begin(), n, buffer);
    line_->input.erase(0, n);
    return static_cast<int32_t>(n);
  }
  bool PurgeOutput() override {
    if (!line_->open || line_->vanished) return false;
    ++line_->outputPurges;
    return true;
  }
  int32_t Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) override {
    if (!line_->open || line_->vanished) return -1;
    size_t taken = count;
    if (line_->outputRoom) {
      taken = std::min(taken, *line_->outputRoom);
      *line_->outputRoom -= taken;
    }
    if (taken < count) line_->writeWaitMs += timeoutMs;
    if (taken > 0) line_->writes.emplace_back(reinterpret_cast<const char*>(bytes), taken);
    return static_cast<int32_t>(taken);
  }
  // The line's time is the test's: the wait never blocks and reports what is there now.
  int32_t WaitForInput(uint32_t) override {
    const int32_t waiting = BytesWaiting();
    return waiting < 0 ? -1 : (waiting > 0 ? 1 : 0);
  }
  void Wake() override {}

 private:
  std::shared_ptr<FakeSerialLine> line_;
};

}  // namespace vdinv::test
