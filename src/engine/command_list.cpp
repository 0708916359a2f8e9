// The engine's command list: creating a command for a tag or adding the tag to one that
// serves it, completing the list, logging and releasing commands.
#include <algorithm>
#include <limits>

#include "common/device_types.h"
#include "common/messages.h"
#include "common/value_word.h"
#include "engine/base_object.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";
constexpr int32_t kWordBits = 16;
constexpr int64_t kWordMask = 0xFFFF;

}  // namespace

TTagItem* TBaseDLLObject::TagAt(int32_t listIndex) const {
  return tags_.At(listIndex);
}

void TBaseDLLObject::PrepareWriteNumber(TTagItem& tag) {
  if (tag.DataType == kAnalog) {
    tag.WriteNumber = tag.Value.ToDouble();
    return;
  }
  if (tag.DataType != kSwitch && tag.DataType != kString) return;
  bool set = false;
  bool clear = false;
  if (tag.DataType == kSwitch) {
    set = tag.Value.ToBoolean();
    clear = !set;
  } else if (tag.Value.IsString()) {
    set = tag.Value.AsString() == "1";
    clear = tag.Value.AsString() == "0";
  }
  int64_t word = RoundToInt32(tag.WriteNumber).value_or(0);
  // A tag without a bit number (or one beyond the word) leaves the word as it is.
  if (tag.BitID >= 0 && tag.BitID < kWordBits) {
    if (set) word |= int64_t{1} << tag.BitID;
    if (clear) word &= ~(int64_t{1} << tag.BitID);
  }
  tag.WriteNumber = static_cast<double>(word & kWordMask);
}

std::string TBaseDLLObject::ValueLogText(const TTagItem& tag, bool stringAsIs) {
  switch (tag.DataType) {
    case kAnalog:
      return tag.Value.IsString() ? tag.Value.AsString() : FormatNumber15(tag.Value.ToDouble());
    case kSwitch:
      return tag.Value.ToBoolean() ? "True" : "False";
    case kString:
      return stringAsIs ? tag.Value.ToText() : std::string();
    default:
      return tag.Value.ToText();
  }
}

std::string TBaseDLLObject::CommandLogText(const TCommandItem& command, int32_t devId,
                                           bool withValues, const std::string& closing) const {
  std::string text = Text(Msg::FullColon) + DriverModule()[kDevTypeName] + Text(Msg::LogModelIs);
  if (ValidDevice(devId)) text += Parm_->Devices[devId].ModelName.Get();
  text += Text(Msg::LogComma) + DriverModule()[kDevIDName] + "=" + std::to_string(devId) + "[";
  for (int32_t index : command.TagIndexes) {
    const TTagItem* tag = TagAt(index);
    if (tag == nullptr) continue;
    text += tag->TagName + Text(Msg::LogAddress) + tag->TagAddr + " ";
    if (withValues) text += Text(Msg::LogWriteValue) + ValueLogText(*tag, false) + ",";
  }
  return text + closing + command.AskFrame;
}

void TBaseDLLObject::LogNewWriteCommand(const TCommandItem& command, const TTagItem& tag) {
  if (!DebugOn() || WriteLogBudget_ < 1) return;
  --WriteLogBudget_;
  LogLine(CommandLogText(command, tag.DevID, true, Text(Msg::WriteFrameBuilt)));
}

bool TBaseDLLObject::WriteAlreadyQueued(const TTagItem& tag) {
  if (writes_.Holding(tag.ListIndex, tag.Value) == nullptr) return false;
  if (ErrorLogOn()) {
    LogLine(Text(Msg::WriteNotDone) + tag.TagName + Text(Msg::DuplicateWrite) +
            Text(Msg::LogAddress) + tag.TagAddr + Text(Msg::LogTagValue) + ValueLogText(tag, true));
  }
  return true;
}

void TBaseDLLObject::LowerInterval(TCommandItem& command, uint32_t scanPeriod) {
  if (static_cast<int64_t>(scanPeriod) < command.Interval) {
    command.Interval = static_cast<int32_t>(scanPeriod);
  }
}

CommandPtr TBaseDLLObject::NewCommandRecord(TTagItem& tag, bool isWrite) {
  // A write must carry its value: a number that no 32-bit word holds, or a text that is no
  // number, gets no command rather than being sent as some other number.
  if (isWrite && tag.DataType == kAnalog && !ValueWord(tag.Value)) return nullptr;
  PrepareWriteNumber(tag);
  auto command = std::make_unique<TCommandItem>();
  command->TagIndexes = {tag.ListIndex};
  command->TypeText = tag.TypeText;
  command->TypeIndex = tag.TypeIndex;
  command->DevID = tag.DevID;
  command->IsWrite = isWrite;
  command->WriteWord = RoundToInt32(tag.WriteNumber).value_or(0);
  // A period beyond the signed range would turn into a negative (write-like) interval.
  command->Interval =
      static_cast<int32_t>(std::min<uint32_t>(tag.ScanPeriod, std::numeric_limits<int32_t>::max()));
  command->DelayTick = 0;
  command->Next = nullptr;
  command->Command = kCommandServesTags;
  command->Kind = CommandKind::kRead;
  command->Value = tag.Value;
  command->Active = false;
  return command;
}

void TBaseDLLObject::ScheduleNewCommand(TCommandItem& command, const CommandList& list,
                                        bool isWrite) const {
  command.DelayTick = 0;
  if (isWrite) {
    command.Command = kCommandServesTags | kCommandOneShot | 1;
    command.Kind = CommandKind::kWrite;
    command.Active = true;
    command.Interval = static_cast<int32_t>(-10 * static_cast<int64_t>(list.size()));
    command.LastRunTick = Tick();
  } else {
    command.LastRunTick = Tick() - static_cast<uint32_t>(command.Interval);
  }
}

CommandPtr TBaseDLLObject::CreatCommand(TTagItem& tag, CommandList& list, bool isWrite) {
  return Guarded(this, kClass, "CreatCommand", CommandPtr(), [&] {
    if (!NeedCreatCommand(list, tag, isWrite) || tag.TypeIndex == -1) return CommandPtr();
    CommandPtr command = NewCommandRecord(tag, isWrite);
    if (!command) return command;
    command->AskFrame = GetAskStr(*command, tag, isWrite);
    command->AnswerHead = GetAnswerMainStr(*command, tag, isWrite);
    ScheduleNewCommand(*command, list, isWrite);
    if (isWrite) LogNewWriteCommand(*command, tag);
    return command;
  });
}

bool TBaseDLLObject::NeedCreatCommand(CommandList& list, TTagItem& tag, bool isWrite) {
  return Guarded(this, kClass, "NeedCreatCommand", true, [&] {
    if (isWrite) {
      bool need = TypeWritable(tag.TypeIndex);
      if (WriteAlreadyQueued(tag)) need = false;
      return need;
    }
    if (!TypeReadable(tag.TypeIndex)) return false;
    for (CommandPtr& command : list) {
      if (!command || command->DevID != tag.DevID || command->TypeIndex != tag.TypeIndex) continue;
      if (command->StartAddr <= tag.ChID && tag.ChID <= command->EndAddr) {
        command->TagIndexes.push_back(tag.ListIndex);
        LowerInterval(*command, tag.ScanPeriod);
        return false;
      }
    }
    return true;
  });
}

void TBaseDLLObject::OptimizeCommParm() {
  Guarded(this, kClass, "OptimizeCommParm", [&] {
    for (CommandPtr& command : CommandList_) {
      for (TCommandItem* c = command.get(); c != nullptr; c = c->Next.get()) {
        if ((c->Command & kCommandServesTags) != 0 && !c->Active) c->Active = true;
        if (DebugOn()) LogLine(CommandLogText(*c, c->DevID, false, Text(Msg::ReadCommandBuilt)));
      }
    }
  });
}

void TBaseDLLObject::FreeCommand(CommandPtr& command) {
  // The first frame releases its follow-on frames.
  Guarded(this, kClass, "FreeCommand", [&] { command.reset(); });
}

std::string TBaseDLLObject::GetAskStr(TCommandItem&, TTagItem&, bool) {
  return Guarded(this, kClass, "GetAskStr", std::string(), [&] { return std::string(); });
}

std::string TBaseDLLObject::GetAnswerMainStr(TCommandItem&, TTagItem&, bool) {
  return Guarded(this, kClass, "GetAnswerMainStr", std::string(), [&] { return std::string(); });
}

bool TBaseDLLObject::TypeNeedsReadCommand(int32_t typeIndex) const {
  // Readable types are polled, and so is the read-only group "M" (monitored values, which
  // exist only to be read). "CommErr" never goes on the line.
  auto* self = const_cast<TBaseDLLObject*>(this);
  return Guarded(self, kClass, "TypeNeedsReadCommand", false,
                 [&] { return TypeReadable(typeIndex) || typeIndex == kTypeM; });
}

}  // namespace vdinv::engine
