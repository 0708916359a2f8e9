// A driver object whose line is a script: every frame sent is recorded, and whether a reply
// has arrived is answered from a queue of flags or by a callback. The test reaches the engine's
// lists and run state through it. Header only: the module tests share the support folder and
// do not link the engine.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "protocol/dll_object.h"

namespace vdinv::test {

class ScriptedObject : public protocol::TDLLObject {
 public:
  using protocol::TDLLObject::TDLLObject;
  ~ScriptedObject() override { Destroying(); }

  void RealComm(TCommandItem* command) override {
    protocol::TDLLObject::RealComm(command);
    if (command != nullptr) sent.push_back(command->AskFrame);
  }
  // A reply has arrived when the callback says so; else the next queued flag decides (no flag:
  // nothing arrived). An arrived reply is stored in the command in execution.
  bool GetResult() override {
    ++resultCalls;
    bool arrived = false;
    if (answer) {
      arrived = answer(*this);
    } else if (!replies.empty()) {
      arrived = replies.front();
      replies.pop_front();
    }
    if (arrived && CurCommand_ != nullptr) CurCommand_->Reply = replyText;
    return arrived;
  }

  // The frames sent, in order.
  std::vector<std::string> sent;
  // Replies queued one per poll of the line: true = a valid reply is there.
  std::deque<bool> replies;
  // When set, decides instead of the queue.
  std::function<bool(ScriptedObject&)> answer;
  // The text an arrived reply carries.
  std::string replyText = "reply";
  int resultCalls = 0;

  // Queues a write of a value to a tag as the write path does (the command holds the value to
  // write, the tag keeps its value); null when no command was made.
  TCommandItem* QueueWrite(TTagItem& tag, const TagValue& value) {
    const TagValue saved = tag.Value;
    tag.Value = value;
    engine::CommandPtr command = CreatCommand(tag, CommandList_, true);
    const TagValue written = tag.Value;
    tag.Value = saved;
    if (!command) return nullptr;
    command->Interval = -10000;
    command->QueueTick = Tick();
    command->WriteValues = {written};
    writes_.Commands().push_back(std::move(command));
    return writes_.Commands().back().get();
  }
  TTagItem& TagAt(size_t index) { return *Tags().at(index); }
  // After a test changed commands it holds on to: the schedule keys them afresh.
  void Rekey() { Schedule_.Invalidate(); }
  // The read commands, open to change: the schedule keys them afresh at the next choice.
  engine::CommandList& List() {
    Schedule_.Invalidate();
    return CommandList_;
  }
  engine::CommandList& Queue() { return writes_.Commands(); }
  TCommandItem* Current() { return CurCommand_; }
  TCommandItem* Chain() { return NextCommand_; }
  const engine::CommandPtr& ExecutingWrite() const { return writes_.Executing(); }
  void SetRun(uint8_t status, uint8_t event) {
    RunStatus_ = static_cast<engine::RunStateCode>(status);
    RunEvent_ = static_cast<engine::RunEventCode>(event);
  }
  void SetDevEnabled(int32_t devId, bool on) { links_.SetEnabled(devId, on); }
  double ReadTimeouts() const { return stats_.ReadTimeouts(); }
  uint32_t ReadFails() const { return stats_.ReadFails(); }
  uint32_t WriteFails() const { return stats_.WriteFails(); }
};

}  // namespace vdinv::test
