// One exchange on the line: putting a command's frame on the line and taking the inverter's
// reply to it.
#include "common/messages.h"
#include "protocol/custom_object.h"
#include "protocol/reply.h"

namespace vdinv::protocol {
namespace {
constexpr const char* kClass = "TCustomDLLObject";
}  // namespace

void TCustomDLLObject::RealComm(TCommandItem* command) {
  Guarded(this, kClass, "RealComm", [&] {
    TBaseDLLObject::RealComm(command);
    // A switched-off device, or a device number no table holds, gets nothing on the line; the
    // exchange then runs into its time-out.
    if (command == nullptr || !CommEnabled_ || !ValidDevice(command->DevID) ||
        !links_.Enabled(command->DevID)) {
      return;
    }
    LastCommTick_ = Tick();
    if (!command->AskFrame.empty() && Comm_) Comm_->SendStr(command->AskFrame);
  });
}

bool TCustomDLLObject::GetResult() {
  return Guarded(this, kClass, "GetResult", false, [&] {
    TCommandItem* command = CurCommand_;
    if (command == nullptr || !Comm_) return false;
    // Between two sends the port's text only moves on: it keeps the last bytes received, and
    // RecvCut counts those it let go before them. The search resumes where the last one
    // stopped, so a poll searches only what arrived since the poll before, and the text it
    // copies is bounded, however long a line that never stops sending goes on.
    const std::string& received = Comm_->GetStr();
    const uint64_t cut = Comm_->RecvCut();
    const bool goingOn = command == searched_ && !command->Reply.empty() &&
                         cut >= command->ReplyCut &&
                         cut + received.size() >= command->ReplyCut + command->Reply.size();
    if (!goingOn) searchFrom_ = 0;
    command->Reply = received;
    command->ReplyCut = cut;
    searched_ = command;
    if (command->Reply.empty()) return false;
    const size_t from = searchFrom_ > cut ? static_cast<size_t>(searchFrom_ - cut) : 0;
    const ReplyCheck reply = FindReply(command->Reply, command->AskFrame, from);
    searchFrom_ = cut + reply.resume;
    if (reply.kind == ReplyKind::kAck || reply.kind == ReplyKind::kNak) {
      lastReply_.assign(command->Reply, reply.start, reply.length);
      lastAnswered_ = command->AskFrame;
    }
    if (reply.kind == ReplyKind::kNak) {
      // A refusal is no value: it is traced once and the exchange ends through its time-out.
      if (TraceOn() && (nakTraced_ != command || nakTracedTick_ != LastCommTick_)) {
        LogLine(Text(Msg::NakReply) + command->Reply);
        nakTraced_ = command;
        nakTracedTick_ = LastCommTick_;
      }
      return false;
    }
    if (reply.kind != ReplyKind::kAck) return false;
    if (!command->IsWrite) CommAnalyze(reply.data, reply.negative, *command);
    return true;
  });
}

bool TCustomDLLObject::CommAnalyze(const std::string& data, bool negative, TCommandItem& command) {
  return Guarded(this, "TDLLObject", "CommAnalyze", false, [&] {
    if ((command.Command & kCommandServesTags) == 0 || command.TagIndexes.empty()) return false;
    bool stored = false;
    for (int32_t index : command.TagIndexes) {
      TTagItem* found = TagAt(index);
      if (found == nullptr) continue;
      TTagItem& tag = *found;
      if (tag.DataType == kAnalog) {
        // A data word that is not a number leaves the tag's value as it was.
        if (std::optional<double> v = DecodeAnalog(data, negative)) {
          tag.Value = TagValue::Double(*v);
          stored = true;
        }
      } else if (tag.DataType == kSwitch) {
        if (std::optional<bool> v = DecodeSwitch(data)) {
          tag.Value = TagValue::Boolean(*v);
          stored = true;
        }
      } else if (tag.DataType == kString) {
        tag.Value = TagValue::String(DecodeString(data));
        stored = true;
      }
      TouchTag(tag);
    }
    return stored;
  });
}

}  // namespace vdinv::protocol
