// The link status of the line and of each device: the consecutive failures of every device, the
// codes the status tags show, and the texts of those codes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/parameter_block.h"

namespace vdinv::engine {

// A link status code as the status tags show it (their analog value).
enum class LinkCode : int8_t {
  NeverAnswered = 0,
  Normal = 1,
  Interference = 2,
  Fault = 3,
  Broken = 4,
  Paused = 5,
};

constexpr int8_t CodeValue(LinkCode code) {
  return static_cast<int8_t>(code);
}

// The line counts as up while it answers, even with interference or a fault.
bool LineUp(LinkCode code);

// The text of a link status code in the status tags; "never answered" reads "paused" while
// communication is switched off; nothing for a number that is no code.
std::string LinkStatusText(int32_t code, bool commEnabled);

class LinkStatus {
 public:
  LinkStatus();

  static bool ValidDevice(int32_t devId) { return devId >= 0 && devId < kDeviceCount; }

  LinkCode Line() const { return line_; }
  // NeverAnswered for a number outside the device table.
  LinkCode Device(int32_t devId) const {
    return ValidDevice(devId) ? devices_[static_cast<size_t>(devId)] : LinkCode::NeverAnswered;
  }
  // Consecutive failed exchanges of a device; -1 while it has never answered.
  int32_t FailCount(int32_t devId) const { return failures_.at(static_cast<size_t>(devId)); }
  bool Enabled(int32_t devId) const { return enabled_.at(static_cast<size_t>(devId)); }
  void SetEnabled(int32_t devId, bool on) { enabled_.at(static_cast<size_t>(devId)) = on; }

  // An acknowledged exchange: the line is normal.
  void Answered() { line_ = LinkCode::Normal; }
  // A table build found the line's status tag: the line has not answered yet.
  void ResetLine() { line_ = LinkCode::NeverAnswered; }
  // A table build found a device's status tag: the device has not answered yet.
  void ResetDevice(int32_t devId);

  // Steps the line and the device (when its number is in the table) after a finished exchange
  // with it: an answer clears the device's failures, a failure counts one more (a device that
  // never answered stays so), and the codes follow.
  void Exchanged(int32_t devId, bool success, bool commEnabled);

  // A device is in trouble while it shows a fault or a broken line, and while it has never
  // answered once a request to it has failed.
  bool InTrouble(int32_t devId, bool failed) const;

 private:
  LinkCode line_ = LinkCode::NeverAnswered;
  std::array<LinkCode, kDeviceCount> devices_{};
  std::array<int32_t, kDeviceCount> failures_{};
  std::array<bool, kDeviceCount> enabled_{};
};

}  // namespace vdinv::engine
