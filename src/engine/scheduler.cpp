// Scheduling: which command goes on the line next, what follows a finished command, and the
// link status of the line and of each device after every finished exchange.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "common/device_types.h"
#include "common/messages.h"
#include "engine/base_object.h"
#include "engine/run_codes.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";

// Time left until a command is due: its interval less the time since it last ran, in wrapping
// 32-bit tick arithmetic taken as signed.
int32_t TimeLeft(const TCommandItem& command, uint32_t now) {
  return static_cast<int32_t>(static_cast<uint32_t>(command.Interval) - now + command.LastRunTick);
}

// The link status code of a device from its consecutive failures (-1: never answered).
int8_t StatusFromFailures(int32_t failures) {
  if (failures == -1) return 0;
  if (failures == 0) return 1;
  if (failures >= 1 && failures <= 3) return 2;
  if (failures >= 4 && failures <= 8) return 3;
  return 4;
}

bool LineUp(int8_t status) {
  return status >= 1 && status <= 3;
}

// A device is in trouble while it shows a fault or a broken line, and while it has never
// answered once a request to it has failed.
bool DeviceInTrouble(int8_t status, bool failed) {
  return status == 3 || status == 4 || (status == 0 && failed);
}

}  // namespace

void TBaseDLLObject::GetNextCommand() {
  Guarded(this, kClass, "GetNextCommand", [&] {
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
    // Nothing executes while the next command is chosen: a write left over from an earlier
    // exchange is no longer reachable.
    ExecutingWrite_.reset();
    const uint32_t now = Tick();
    // The most overdue read command, found through the due-time index (the same choice as a
    // walk over the list, without the walk).
    const ScheduleIndex::Choice choice = Schedule_.Choose(CommandList_, now);
    const int32_t best = choice.best;
    size_t chosenRead = choice.position;
    if (chosenRead != ScheduleIndex::npos) CurCommand_ = CommandList_[chosenRead].get();
    // The head of the write queue competes with its own (negative) interval; a write taken
    // leaves the queue and is the engine's while it executes.
    while (!WriteQueue_.empty() && !WriteQueue_.front()) WriteQueue_.erase(WriteQueue_.begin());
    if (!WriteQueue_.empty()) {
      TCommandItem& write = *WriteQueue_.front();
      write.DelayTick = TimeLeft(write, now);
      if (write.DelayTick < best) {
        ExecutingWrite_ = std::move(WriteQueue_.front());
        WriteQueue_.erase(WriteQueue_.begin());
        CurCommand_ = ExecutingWrite_.get();
        chosenRead = ScheduleIndex::npos;
      }
    }
    if (CurCommand_ != nullptr) {
      NextCommand_ = CurCommand_;
      CurCommand_->LastRunTick = now;
    }
    // The chosen read runs now and its failure count changes with its outcome: it is keyed
    // again at the next choice.
    if (chosenRead != ScheduleIndex::npos) Schedule_.Changed(chosenRead);
  });
}

void TBaseDLLObject::GetCommandNext() {
  Guarded(this, kClass, "GetCommandNext", [&] {
    if (CurCommand_ == nullptr) return;
    if (CurCommand_->Next) {
      CurCommand_ = CurCommand_->Next.get();
      return;
    }
    if ((CurCommand_->Command & kCommandOneShot) != 0) ReleaseExecutingChain();
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
  });
}

void TBaseDLLObject::ReleaseExecutingChain() {
  TCommandItem* head = NextCommand_ != nullptr ? NextCommand_ : CurCommand_;
  if (head == nullptr) return;
  if (ExecutingWrite_) {
    for (TCommandItem* c = ExecutingWrite_.get(); c != nullptr; c = c->Next.get()) {
      if (c != head) continue;
      // The whole chain goes: its first frame owns the others.
      FreeCommand(ExecutingWrite_);
      return;
    }
  }
  auto owner = std::find_if(CommandList_.begin(), CommandList_.end(),
                            [&](const CommandPtr& c) { return c.get() == head; });
  if (owner != CommandList_.end()) {
    FreeCommand(*owner);
    CommandList_.erase(owner);
    Schedule_.Invalidate();
  }
}

void TBaseDLLObject::SetStatusValue(TTagItem& tag, const TagValue& value) {
  tag.Value = value;
  TouchTag(tag);
}

void TBaseDLLObject::UpdateLinkStatus() {
  Guarded(this, kClass, "UpdateLinkStatus", [&] {
    if (CurCommand_ == nullptr) return;
    const int32_t device = CurCommand_->DevID;
    const bool known = ValidDevice(device);
    const auto d = static_cast<size_t>(known ? device : 0);
    const bool success = RunEvent_ == kEvReadACK || RunEvent_ == kEvWriteACK;
    LinkOK_ = success;
    if (success) {
      if (CommEnabled_) {
        CommStatus_ = 1;
        if (known) DevFailCount_[d] = 0;
      }
    } else {
      // A device that never answered stays at -1.
      if (known && DevFailCount_[d] != -1 &&
          DevFailCount_[d] < std::numeric_limits<int32_t>::max()) {
        ++DevFailCount_[d];
      }
      if (CommEnabled_) {
        if (CommStatus_ != 0) CommStatus_ = 3;
      } else {
        CommStatus_ = 5;
      }
    }
    if (known) {
      DevLinkStatus_[d] =
          DevEnabled_[d] && CommEnabled_ ? StatusFromFailures(DevFailCount_[d]) : int8_t{5};
    }

    // The status tags; a failure ends the pass and leaves the remaining tags as they were.
    Guarded(this, kClass, "SwitchRunStatus", [&] {
      for (int32_t position : StatusTags_) {
        TTagItem& tag = *TagList_[static_cast<size_t>(position)];
        if (!tag.IsInternal) continue;
        const std::string_view type(tag.TypeText);
        if (type == kCommLink) {
          if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(CommStatus_));
          if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(LineUp(CommStatus_)));
          if (tag.DataType == kString) {
            SetStatusValue(tag,
                           TagValue::String(DriverModule()[kDeviceName] + StatusText(CommStatus_)));
          }
        } else if (type == kEnCommLink) {
          if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(CommEnabled_ ? 1 : 0));
          if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(CommEnabled_));
          if (tag.DataType == kString) {
            SetStatusValue(
                tag, TagValue::String(Text(CommEnabled_ ? Msg::LineOpened : Msg::LineClosed)));
          }
        } else if (known && type.starts_with(kDeviceLink) && tag.DevID == device) {
          const int8_t status = DevLinkStatus_[d];
          if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(status));
          if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(LineUp(CommStatus_)));
          if (tag.DataType == kString) {
            SetStatusValue(tag, TagValue::String(DeviceLabel(device) + StatusText(status)));
          }
        }
      }
      if (known) UpdateCommErrTags(device, !success);
    });
  });
}

void TBaseDLLObject::UpdateCommErrTags(int32_t devId, bool failed) {
  if (!ValidDevice(devId)) return;
  const bool trouble = DeviceInTrouble(DevLinkStatus_[static_cast<size_t>(devId)], failed);
  for (int32_t position : StatusTags_) {
    TTagItem& tag = *TagList_[static_cast<size_t>(position)];
    if (tag.IsInternal || tag.TypeIndex != kTypeCommErr || tag.DevID != devId) continue;
    if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(trouble));
    if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(trouble ? 1 : 0));
  }
}

void TBaseDLLObject::ResetCommErrTags() {
  Guarded(this, kClass, "ResetCommErrTags", [&] {
    for (int32_t position : StatusTags_) {
      TTagItem& tag = *TagList_[static_cast<size_t>(position)];
      if (tag.IsInternal || tag.TypeIndex != kTypeCommErr) continue;
      if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(false));
      if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(0));
    }
  });
}

}  // namespace vdinv::engine
