#include "engine/link_status.h"

#include <limits>

#include "common/messages.h"

namespace vdinv::engine {
namespace {

// The code of a device from its consecutive failures (-1: never answered).
LinkCode CodeFromFailures(int32_t failures) {
  if (failures == -1) return LinkCode::NeverAnswered;
  if (failures == 0) return LinkCode::Normal;
  if (failures >= 1 && failures <= 3) return LinkCode::Interference;
  if (failures >= 4 && failures <= 8) return LinkCode::Fault;
  return LinkCode::Broken;
}

}  // namespace

bool LineUp(LinkCode code) {
  return code == LinkCode::Normal || code == LinkCode::Interference || code == LinkCode::Fault;
}

std::string LinkStatusText(int32_t code, bool commEnabled) {
  if (code < CodeValue(LinkCode::NeverAnswered) || code > CodeValue(LinkCode::Paused)) return {};
  switch (static_cast<LinkCode>(code)) {
    case LinkCode::NeverAnswered:
      return Text(commEnabled ? Msg::StatusNeverAnswered : Msg::StatusPaused);
    case LinkCode::Normal:
      return Text(Msg::StatusNormal);
    case LinkCode::Interference:
      return Text(Msg::StatusInterference);
    case LinkCode::Fault:
      return Text(Msg::StatusFault);
    case LinkCode::Broken:
      return Text(Msg::StatusBroken);
    case LinkCode::Paused:
      return Text(Msg::StatusPaused);
  }
  return {};
}

LinkStatus::LinkStatus() {
  devices_.fill(LinkCode::NeverAnswered);
  failures_.fill(-1);
  enabled_.fill(true);
}

void LinkStatus::ResetDevice(int32_t devId) {
  if (!ValidDevice(devId)) return;
  devices_[static_cast<size_t>(devId)] = LinkCode::NeverAnswered;
  failures_[static_cast<size_t>(devId)] = -1;
}

void LinkStatus::Exchanged(int32_t devId, bool success, bool commEnabled) {
  const bool known = ValidDevice(devId);
  const auto d = static_cast<size_t>(known ? devId : 0);
  if (success) {
    if (commEnabled) {
      line_ = LinkCode::Normal;
      if (known) failures_[d] = 0;
    }
  } else {
    // A device that never answered stays at -1.
    if (known && failures_[d] != -1 && failures_[d] < std::numeric_limits<int32_t>::max()) {
      ++failures_[d];
    }
    if (!commEnabled) {
      line_ = LinkCode::Paused;
    } else if (line_ != LinkCode::NeverAnswered) {
      line_ = LinkCode::Fault;
    }
  }
  if (known) {
    devices_[d] = enabled_[d] && commEnabled ? CodeFromFailures(failures_[d]) : LinkCode::Paused;
  }
}

bool LinkStatus::InTrouble(int32_t devId, bool failed) const {
  const LinkCode code = Device(devId);
  return code == LinkCode::Fault || code == LinkCode::Broken ||
         (code == LinkCode::NeverAnswered && failed);
}

}  // namespace vdinv::engine
