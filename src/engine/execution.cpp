// Read and write execution: one step of the run-state machine per host poll, write requests and
// their queue, the engine parts of sending and taking replies, and the report of changed tags.
#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>

#include "common/messages.h"
#include "engine/base_object.h"
#include "engine/run_codes.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";

constexpr uint32_t kQualityWriteExpired = 0x02000000;
// The scheduling interval a queued write carries (shown as its delay). It no longer decides
// the order: a queued write goes out ahead of every read, however late the reads are.
constexpr int32_t kQueuedWriteInterval = -10000;
// Machine steps one host poll may run. A normal poll takes a reply (or a time-out) and sends
// the next frame in a handful of steps; a chain of states that never waits stops here and the
// next poll goes on from where it stopped.
constexpr int32_t kMaxStepsPerPoll = 16;

// Counts the nesting of ReadExecute calls: the outermost call starts a new host poll.
class PollScope {
 public:
  PollScope(int32_t& depth, int32_t& steps) : depth_(depth), outermost_(depth_++ == 0) {
    if (outermost_) steps = 0;
  }
  ~PollScope() { --depth_; }
  PollScope(const PollScope&) = delete;
  PollScope& operator=(const PollScope&) = delete;

  bool Outermost() const { return outermost_; }

 private:
  int32_t& depth_;
  bool outermost_;
};

}  // namespace

bool TBaseDLLObject::ReadExecute() {
  return Guarded(this, kClass, "ReadExecute", false, [&] {
    PollScope scope(PollDepth_, PollSteps_);
    if (scope.Outermost()) ExpireQueuedWrites();
    if (!Stopped_ && CommEnabled_ && PollSteps_ < kMaxStepsPerPoll) {
      ++PollSteps_;
      GetRunEvent();
      SwitchRunStatus();
    }
    return true;
  });
}

bool TBaseDLLObject::ReadExecuteEx() {
  return Guarded(this, kClass, "ReadExecuteEx", true, [&] {
    if (!CommEnabled_) return false;
    PollScope scope(PollDepth_, PollSteps_);
    if (scope.Outermost()) ExpireQueuedWrites();
    if (PollSteps_ < kMaxStepsPerPoll) {
      ++PollSteps_;
      GetRunEvent();
      SwitchRunStatus();
    }
    return false;
  });
}

void TBaseDLLObject::RealComm(TCommandItem* command) {
  Guarded(this, kClass, "RealComm", [&] {
    if (command == nullptr || !CommEnabled_) return;
    command->Reply.clear();
    command->ReplyCut = 0;
    LastCommTick_ = Tick();
  });
}

bool TBaseDLLObject::GetResult() {
  return Guarded(this, kClass, "GetResult", false, [&] { return false; });
}

void TBaseDLLObject::SyncTagValue(TCommandItem*) {
  Guarded(this, kClass, "SyncTagValue", [&] {});
}

std::optional<Msg> TBaseDLLObject::WriteValueRefusal(const TTagItem&, const TagValue&) {
  return std::nullopt;
}

void TBaseDLLObject::WriteErrorLine(const std::string& text) {
  if (ErrorLogOn()) LogLine(text);
}

std::string TBaseDLLObject::WriteNotDoneText(const TTagItem& tag, Msg reason) const {
  return Text(Msg::WriteNotDone) + tag.TagName + Text(reason) + Text(Msg::LogAddress) +
         tag.TagAddr + Text(Msg::LogTagValue) + ValueLogText(tag, true);
}

bool TBaseDLLObject::WriteExecute(uint32_t tagId, const TagValue& value) {
  return Guarded(this, kClass, "WriteExecute", false, [&] {
    if (!ParmLoaded_) {
      // The block is handed over as a copy: the parameter step copies it into Parm_.
      auto block = std::make_unique<TDevParmBlock>(*Parm_);
      IniParm(block.get());
    }
    if (!Running_) return false;

    // Only identifiers handed over at initialisation reach a tag.
    TTagItem* entry = tags_.ById(tagId);
    if (entry == nullptr) {
      WriteErrorLine(Text(Msg::WriteTagMissing));
      return false;
    }
    TTagItem& tag = *entry;

    if (tag.TypeText == kEnLog) return WriteLogSwitch(tag, value);
    if (tag.TypeText == kEnCommLink) return WriteCommSwitch(tag, value);
    // The other status tags are the engine's: none of them is ever sent on the line.
    if (tag.TypeText == kCommLink || tag.IsInternal || !tag.Writable) {
      WriteErrorLine(Text(Msg::WriteTag) + tag.TagName + Text(Msg::WriteNotWritable));
      return false;
    }

    std::optional<Msg> wrongType;
    if (value.IsDouble() && tag.DataType != kAnalog) wrongType = Msg::WriteNotAnalog;
    if (value.IsBoolean() && tag.DataType != kSwitch) wrongType = Msg::WriteNotSwitch;
    if (value.IsString() && tag.DataType != kString) wrongType = Msg::WriteNotString;
    if (wrongType) {
      WriteErrorLine(Text(Msg::WriteTag) + tag.TagName + Text(Msg::WriteWrongType) +
                     Text(*wrongType));
      return false;
    }
    // A value the device has no data word for is refused before anything is queued.
    if (std::optional<Msg> refused = WriteValueRefusal(tag, value)) {
      WriteErrorLine(Text(Msg::WriteTag) + tag.TagName + Text(Msg::WriteWrongType) +
                     Text(*refused));
      return false;
    }

    if (!CommEnabled_) return false;
    if (value == tag.Value) {
      WriteErrorLine(WriteNotDoneText(tag, Msg::WriteSameValue));
      return false;
    }
    if (CurCommand_ != nullptr && CurCommand_->IsWrite && !CurCommand_->TagIndexes.empty() &&
        CurCommand_->TagIndexes.front() == tag.ListIndex) {
      WriteErrorLine(WriteNotDoneText(tag, Msg::WriteInProgress));
      return false;
    }
    return QueueWrite(tag, value);
  });
}

bool TBaseDLLObject::WriteLogSwitch(TTagItem& tag, const TagValue& value) {
  if (value.IsBoolean()) EnLog_ = value.AsBoolean();
  if (value.IsNumber()) EnLog_ = value.ToDouble() != 0;
  if (tag.DataType == kAnalog) tag.Value = TagValue::Integer(EnLog_ ? 1 : 0);
  if (tag.DataType == kSwitch) tag.Value = TagValue::Boolean(EnLog_);
  TouchTag(tag);
  return true;
}

bool TBaseDLLObject::WriteCommSwitch(TTagItem& tag, const TagValue& value) {
  if (value.IsBoolean()) SetCommEnabled(value.AsBoolean());
  if (value.IsNumber()) SetCommEnabled(value.ToDouble() != 0);
  if (tag.DataType == kAnalog) tag.Value = TagValue::Integer(CommEnabled_ ? 1 : 0);
  if (tag.DataType == kSwitch) tag.Value = TagValue::Boolean(CommEnabled_);
  TouchTag(tag);
  return true;
}

bool TBaseDLLObject::QueueWrite(TTagItem& tag, const TagValue& value) {
  // The command is made from the new value; the tag then goes back to the device's value,
  // which it shows until a reply confirms the write. A refused command (a duplicate of a
  // queued write, a value no data word holds) leaves the device's value too.
  tag.SavedValue = tag.Value;
  tag.Value = value;
  TouchTag(tag);
  CommandPtr command;
  try {
    command = CreatCommand(tag, CommandList_, true);
    if (command) {
      command->Interval = kQueuedWriteInterval;
      command->QueueTick = Tick();
      for (TCommandItem* frame = command.get(); frame != nullptr; frame = frame->Next.get()) {
        frame->WriteValues = {tag.Value};
        SyncTagValue(frame);
      }
    }
  } catch (...) {
    tag.Value = tag.SavedValue;
    TouchTag(tag);
    throw;
  }
  tag.Value = tag.SavedValue;
  TouchTag(tag);
  if (!command) return false;

  // A newer write of the tag replaces the queued ones.
  for (CommandPtr& replaced : writes_.TakeWritesOf(tag.ListIndex, CurCommand_, NextCommand_)) {
    WriteErrorLine(Text(Msg::WriteOverride) + tag.TagName + "," + Text(Msg::LogAddress) +
                   tag.TagAddr + Text(Msg::LogTagValue) + ValueLogText(tag, true));
    FreeCommand(replaced);
  }

  // A full queue drops the new write, and the request is answered as refused.
  const bool queued = writes_.Push(command);
  if (!queued) {
    FreeCommand(command);
    WriteErrorLine(Text(Msg::WriteTag) + tag.TagName + Text(Msg::WriteWrongType) +
                   Text(Msg::WriteQueueFull));
  }

  ExpireQueuedWrites();
  return queued;
}

void TBaseDLLObject::ExpireQueuedWrites() {
  // Writes that waited too long are dropped, oldest first, up to the first that has not. Each
  // poll looks too, so the host learns of an expired write at once, not only at its next write.
  if (writes_.Head() == nullptr) return;
  for (CommandPtr& write : writes_.TakeExpired(Tick(), CurCommand_, NextCommand_)) {
    if (write) {
      for (int32_t index : write->TagIndexes) {
        if (TTagItem* tag = TagAt(index)) {
          tag->Quality = kQualityWriteExpired;
          TouchTag(*tag);
        }
      }
    }
    FreeCommand(write);
  }
}

void TBaseDLLObject::TouchTag(TTagItem& tag) {
  Guarded(this, kClass, "TouchTag", [&] { tags_.Touch(tag); });
}

void TBaseDLLObject::ReportChangedTags(size_t limit, uint32_t now,
                                       const std::function<void(const TTagItem&)>& report) {
  Guarded(this, kClass, "ReportChangedTags", [&] { tags_.ReportChanged(limit, now, report); });
}

}  // namespace vdinv::engine
