// Scheduling: which command goes on the line next, what follows a finished command, and the
// link status of the line and of each device after every finished exchange.
#include <algorithm>
#include <cstdint>
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

}  // namespace

void TBaseDLLObject::GetNextCommand() {
  Guarded(this, kClass, "GetNextCommand", [&] {
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
    // Nothing executes while the next command is chosen: a write left over from an earlier
    // exchange is no longer reachable.
    writes_.Executing().reset();
    const uint32_t now = Tick();
    size_t chosenRead = ScheduleIndex::npos;
    // The head of the write queue goes out ahead of every read, however late the reads are: on
    // a line whose read cycle is long, any read would otherwise be more overdue than the write
    // and the write would wait until it expired. A write taken leaves the queue and is the
    // engine's while it executes.
    if (TCommandItem* write = writes_.Head()) {
      write->DelayTick = TimeLeft(*write, now);
      CurCommand_ = writes_.StartHead();
    } else {
      // The most overdue read command, found through the due-time index (the same choice as a
      // walk over the list, without the walk).
      chosenRead = Schedule_.Choose(CommandList_, now).position;
      if (chosenRead != ScheduleIndex::npos) CurCommand_ = CommandList_[chosenRead].get();
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
  if (writes_.Executes(head)) {
    // The whole chain goes: its first frame owns the others.
    FreeCommand(writes_.Executing());
    return;
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
    const bool success = RunEvent_ == kEvReadACK || RunEvent_ == kEvWriteACK;
    LinkOK_ = success;
    links_.Exchanged(device, success, CommEnabled_);
    const int8_t line = CommStatus();
    const bool lineUp = LineUp(links_.Line());

    // The status tags; a failure ends the pass and leaves the remaining tags as they were.
    Guarded(this, kClass, "SwitchRunStatus", [&] {
      for (int32_t position : tags_.StatusPositions()) {
        TTagItem& tag = *tags_.At(position);
        if (!tag.IsInternal) continue;
        const std::string_view type(tag.TypeText);
        if (type == kCommLink) {
          if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(line));
          if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(lineUp));
          if (tag.DataType == kString) {
            SetStatusValue(tag, TagValue::String(DriverModule()[kDeviceName] + StatusText(line)));
          }
        } else if (type == kEnCommLink) {
          if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(CommEnabled_ ? 1 : 0));
          if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(CommEnabled_));
          if (tag.DataType == kString) {
            SetStatusValue(
                tag, TagValue::String(Text(CommEnabled_ ? Msg::LineOpened : Msg::LineClosed)));
          }
        } else if (known && type.starts_with(kDeviceLink) && tag.DevID == device) {
          const int8_t status = DevLinkStatus(device);
          if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(status));
          if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(lineUp));
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
  const bool trouble = links_.InTrouble(devId, failed);
  for (int32_t position : tags_.StatusPositions()) {
    TTagItem& tag = *tags_.At(position);
    if (tag.IsInternal || tag.TypeIndex != kTypeCommErr || tag.DevID != devId) continue;
    if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(trouble));
    if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(trouble ? 1 : 0));
  }
}

void TBaseDLLObject::ResetCommErrTags() {
  Guarded(this, kClass, "ResetCommErrTags", [&] {
    for (int32_t position : tags_.StatusPositions()) {
      TTagItem& tag = *tags_.At(position);
      if (tag.IsInternal || tag.TypeIndex != kTypeCommErr) continue;
      if (tag.DataType == kSwitch) SetStatusValue(tag, TagValue::Boolean(false));
      if (tag.DataType == kAnalog) SetStatusValue(tag, TagValue::Integer(0));
    }
  });
}

}  // namespace vdinv::engine
