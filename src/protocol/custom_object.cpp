#include "protocol/custom_object.h"

#include <algorithm>

#include "common/messages.h"
#include "common/number_text.h"
#include "common/process_values.h"
#include "protocol/protocol_table.h"

namespace vdinv::protocol {
namespace {
constexpr const char* kClass = "TCustomDLLObject";
}  // namespace

TCustomDLLObject::TCustomDLLObject(const engine::DriverEnvironment& env, bool firstInstance)
    : TBaseDLLObject(env, firstInstance) {
  CommCreated_ = false;
  EnLog_ = false;
}

TCustomDLLObject::~TCustomDLLObject() {
  EndLineThread();
  Destroying();
}

bool TCustomDLLObject::StartLineThread(LineThread::Pacer* pacer) {
  if (line_) return true;
  if (!env_.lineThread || !Running_ || Stopped_) return false;
  // The line exists before the thread does: the host's wakes reach it without a race.
  CommLine();
  line_ = std::make_unique<LineThread>(*this, pacer);
  if (!line_->Started()) line_.reset();
  return line_ != nullptr;
}

void TCustomDLLObject::EndLineThread() {
  if (!line_) return;
  line_->End();
  line_.reset();
}

int32_t TCustomDLLObject::WaitForLine(uint32_t timeoutMs) {
  return Comm_ ? Comm_->WaitForInput(timeoutMs) : -1;
}

void TCustomDLLObject::WakeLine() {
  if (Comm_) Comm_->Wake();
}

uint32_t TCustomDLLObject::ReplyTimeLeft() const {
  // Overdue once the time since the send exceeds the time-out (see GetRunEvent).
  const uint32_t elapsed = Tick() - LastCommTick_;
  const uint32_t limit = ProcessOutTime();
  return elapsed > limit ? 0 : limit - elapsed + 1;
}

uint32_t TCustomDLLObject::ReplyBytesMissing() const {
  if (CurCommand_ == nullptr || !Comm_ || Comm_->RecvCut() > 0) return 0;
  const size_t have = Comm_->RecvText().size();
  const size_t want = CurCommand_->AskFrame.size();
  return have == 0 || have >= want ? 0 : static_cast<uint32_t>(want - have);
}

uint32_t TCustomDLLObject::CharTimeUs() const {
  const std::optional<platform::SerialSettings> line = Comm_ ? Comm_->LineSettings() : std::nullopt;
  if (!line || line->baudRate == 0) return 0;
  const uint32_t bits = 1 + line->dataBits +
                        (line->parity == platform::SerialParity::kNone ? 0 : 1) +
                        (line->stopBits == platform::SerialStopBits::kOne ? 1 : 2);
  return static_cast<uint32_t>(uint64_t{bits} * 1000000u / line->baudRate);
}

bool TCustomDLLObject::IniParm(const TDevParmBlock* block) {
  return Guarded(this, kClass, "IniParm", false, [&] {
    TBaseDLLObject::IniParm(block);
    if (block == nullptr) return false;
    CopyPdb(*block, *Parm_);
    uint32_t outTime = std::clamp<uint32_t>(block->OutTime, kMinOutTime, kMaxOutTime);
    SetProcessOutTime(outTime);
    SetProcessWCount(block->WCount);
    LogLine(Text(Msg::MaxReplyTimeout) + std::to_string(outTime));
    return OpenLine(*block);
  });
}

serial::TCommClass& TCustomDLLObject::CommLine() {
  if (!CommCreated_) {
    serial::TCommClass::DeviceFactory devices =
        env_.serialDevices ? env_.serialDevices
                           : serial::TCommClass::DeviceFactory(platform::CreateSerialDevice);
    Comm_ = std::make_unique<serial::TCommClass>(true, devices, *env_.clock);
    CommCreated_ = true;
  }
  return *Comm_;
}

bool TCustomDLLObject::WaitForPort(const TDevParmBlock& block) {
  return Guarded(this, kClass, "WaitForPort", false, [&] { return CommLine().WaitForPort(block); });
}

bool TCustomDLLObject::OpenLine(const TDevParmBlock& block) {
  std::string status;
  const bool open = CommLine().IniComm(block, kPortOpenFlag != 0, status);
  WriteCommEvent(status);
  if (DebugOn()) LogLine(Text(Msg::FullColon) + sErrEvent_);
  return open;
}

size_t TCustomDLLObject::LongestCommand() const {
  size_t longest = 0;
  for (const auto& command : CommandList_) {
    if (command) longest = std::max(longest, command->TagIndexes.size());
  }
  return longest;
}

engine::CommandPtr TCustomDLLObject::CreatCommand(TTagItem& tag, engine::CommandList& list,
                                                  bool isWrite) {
  return Guarded(this, kClass, "CreatCommand", engine::CommandPtr(), [&] {
    if (!NeedCreatCommand(list, tag, isWrite) || tag.TypeIndex == -1) return engine::CommandPtr();
    engine::CommandPtr command = NewCommandRecord(tag, isWrite);
    if (!command) return command;
    command->RangeHigh = tag.ChID;
    command->RangeLow = tag.ChID;
    command->StartAddr = GetCommandStartAddr(*command, tag);
    command->EndAddr = GetCommandEndAddr(*command, tag);
    command->AskFrame = GetAskStr(*command, tag, isWrite);
    command->AnswerHead = GetAnswerMainStr(*command, tag, isWrite);
    ScheduleNewCommand(*command, list, isWrite);
    if (isWrite) LogNewWriteCommand(*command, tag);
    return command;
  });
}

bool TCustomDLLObject::NeedCreatCommand(engine::CommandList& list, TTagItem& tag, bool isWrite) {
  return Guarded(this, kClass, "NeedCreatCommand", true, [&] {
    if (isWrite) {
      bool need = TypeWritable(tag.TypeIndex);
      if (WriteAlreadyQueued(tag)) need = false;
      return need;
    }
    TCommandItem scratch;
    const std::string frame = GetAskStr(scratch, tag, false);
    // The first command of the device with the same frame serves the tag. Every command of the
    // same device and type before it (and it) whose range holds the tag's code widens its
    // recorded range to the code.
    readIndex_.Follow(list);
    const size_t match = readIndex_.FirstWithFrame(tag.DevID, frame);
    readIndex_.ForEachRangeCandidate(
        list, tag.DevID, tag.TypeIndex, tag.ChID, match, [&](TCommandItem& command) {
          if (command.StartAddr <= tag.ChID && tag.ChID <= command.EndAddr) {
            command.RangeHigh = std::max(command.RangeHigh, tag.ChID);
            command.RangeLow = std::min(command.RangeLow, tag.ChID);
          }
        });
    if (match == CommandIndex::npos) return true;
    TCommandItem& command = *list[match];
    command.TagIndexes.push_back(tag.ListIndex);
    LowerInterval(command, tag.ScanPeriod);
    return false;
  });
}

int32_t TCustomDLLObject::GetCommandAddrLength(TCommandItem& command, TTagItem& tag) {
  return Guarded(this, kClass, "GetCommandAddrLength", int32_t{1}, [&] {
    if (tag.TypeIndex == -1) return int32_t{1};
    if (command.Active) {
      return static_cast<int32_t>(int64_t{command.RangeHigh} - command.RangeLow + 1);
    }
    return kTypeAddrLen.at(static_cast<size_t>(tag.TypeIndex));
  });
}

int32_t TCustomDLLObject::GetCommandStartAddr(TCommandItem& command, TTagItem& tag) {
  return Guarded(this, kClass, "GetCommandStartAddr", int32_t{0}, [&] {
    if (tag.TypeIndex == -1) return int32_t{0};
    if (command.Active) return command.RangeLow;
    int64_t length = GetCommandAddrLength(command, tag);
    if (length == 0) return int32_t{0};
    return static_cast<int32_t>(length * (tag.ChID / length));
  });
}

int32_t TCustomDLLObject::GetCommandEndAddr(TCommandItem& command, TTagItem& tag) {
  return Guarded(this, kClass, "GetCommandEndAddr", int32_t{0}, [&] {
    if (tag.TypeIndex == -1) return int32_t{0};
    if (command.Active) return command.RangeHigh;
    int64_t length = GetCommandAddrLength(command, tag);
    if (length == 0) return int32_t{0};
    return static_cast<int32_t>(length * (tag.ChID / length) + length - 1);
  });
}

std::string TCustomDLLObject::GetAnswerMainStr(TCommandItem&, TTagItem& tag, bool isWrite) {
  return Guarded(this, kClass, "GetAnswerMainStr", std::string(), [&] {
    // A write has no expected head; a read's head carries the station in hexadecimal.
    if (!ValidType(tag.TypeIndex) || isWrite) return std::string();
    return std::string(kReadAnswerHead) + HexText(static_cast<uint32_t>(tag.DevID), kDevIDWidth) +
           std::string(kReadReplyCode);
  });
}

std::string TCustomDLLObject::CreateValueStr(TTagItem&, bool) {
  return Guarded(this, kClass, "CreateValueStr", std::string(), [&] { return std::string(); });
}

std::string TCustomDLLObject::GetCrcSourceStr(const std::string& text) {
  return Guarded(this, kClass, "GetCrcSourceStr", std::string(), [&] {
    const auto keep = static_cast<size_t>(kCheckLen);
    return text.size() <= keep ? std::string() : text.substr(0, text.size() - keep);
  });
}

std::string TCustomDLLObject::CheckCRC(const std::string& text) {
  return Guarded(this, kClass, "CheckCRC", std::string(), [&] { return text; });
}

void TCustomDLLObject::OptimizeCommParm() {
  Guarded(this, kClass, "OptimizeCommParm", [&] {
    // Ranges and frames are rewritten in place: the grouping index no longer matches.
    readIndex_.Clear();
    for (engine::CommandPtr& head : CommandList_) {
      for (TCommandItem* command = head.get(); command != nullptr; command = command->Next.get()) {
        TTagItem* first =
            command->TagIndexes.empty() ? nullptr : TagAt(command->TagIndexes.front());
        if (!command->Active && (command->Command & kCommandServesTags) != 0) {
          command->Active = true;
          command->StartAddr = command->RangeLow;
          command->EndAddr = command->RangeHigh;
          if (first != nullptr) {
            command->AskFrame = GetAskStr(*command, *first, false);
            command->AnswerHead = GetAnswerMainStr(*command, *first, false);
          }
        }
        if (DebugOn()) {
          int32_t devId = first != nullptr ? first->DevID : command->DevID;
          LogLine(CommandLogText(*command, devId, false, Text(Msg::ReadFrameBuilt)));
        }
      }
    }
  });
}

int32_t TCustomDLLObject::GetInterval() {
  return Guarded(this, kClass, "GetInterval", int32_t{-1}, [&] {
    TBaseDLLObject::GetInterval();
    LogLine(Text(Msg::MaxTagsPerFrame) + std::to_string(LongestCommand()) + Text(Msg::CountUnit));
    LogLine(Text(Msg::FrameTotal) + std::to_string(CommandList_.size()) + Text(Msg::FrameUnit) +
            "\r\n");
    return int32_t{10};
  });
}

void TCustomDLLObject::Stop() {
  Guarded(this, kClass, "Stop", [&] {
    SetLogMsg("\r\n");
    size_t longest = LongestCommand();
    if (DebugOn()) {
      for (const engine::CommandPtr& command : CommandList_) {
        if (!command) continue;
        LogLine(CommandLogText(*command, command->DevID, false, Text(Msg::ReadFrameBuilt)));
      }
    }
    LogLine(Text(Msg::ValidTagTotal) + std::to_string(Tags().size()));
    LogLine(Text(Msg::FrameTotal) + std::to_string(CommandList_.size()) + Text(Msg::FrameUnit));
    LogLine(Text(Msg::MaxTagsPerFrame) + std::to_string(longest) + Text(Msg::CountUnit));
    readIndex_.Clear();
    TBaseDLLObject::Stop();
    if (CommCreated_) {
      Comm_.reset();
      CommCreated_ = false;
    }
  });
}

}  // namespace vdinv::protocol
