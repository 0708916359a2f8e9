// The run-state machine: each host poll makes a run event from the current state (a command is
// due, a reply has arrived, a reply is overdue) and dispatches the pair to its handler. A
// handler does its work, sets the next state and event and usually runs the next step at once,
// so that one poll carries the machine until it has to wait for the line.
#include <cmath>
#include <cstdint>
#include <string>

#include "common/messages.h"
#include "common/process_values.h"
#include "engine/base_object.h"
#include "engine/run_codes.h"
#include "platform/threading.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";

// The states that wait for an exchange, with the request event of their family and its
// acknowledgement, failure and clear-error handlers.
struct WaitingFamily {
  RunStateCode state;
  RunEventCode request;
  void (TBaseDLLObject::*ack)();
  void (TBaseDLLObject::*nak)();
  void (TBaseDLLObject::*clear)();
};
using B = TBaseDLLObject;
constexpr WaitingFamily kWaitingFamilies[] = {
    {kStateStopSent, kEvStop, &B::opStopACK_Exec, &B::opStopNAK_Exec, &B::opClrStopError_Exec},
    {kStateInitSent, kEvInit, &B::opInitACK_Exec, &B::opInitNAK_Exec, &B::opClrInitError_Exec},
    {kStateLinkSent, kEvLink, &B::opLinkACK_Exec, &B::opLinkNAK_Exec, &B::opClrLinkError_Exec},
    {kStateUnlinkSent, kEvUnlink, &B::opUnLinkACK_Exec, &B::opUnLinkNAK_Exec,
     &B::opClrUnLinkError_Exec},
    {kStateReadSent, kEvRead, &B::opReadACK_Exec, &B::opReadNAK_Exec, &B::opClrReadError_Exec},
    {kStateWriteSent, kEvWrite, &B::opWriteACK_Exec, &B::opWriteNAK_Exec, &B::opClrWriteError_Exec},
    {kStateParmSent, kEvParm, &B::opParmACK_Exec, &B::opParmNAK_Exec, &B::opClrParmError_Exec},
    {kStateRailSent, kEvRail, &B::opRailACK_Exec, &B::opRailNAK_Exec, &B::opClrRailError_Exec},
    {kStateResvLink1Sent, kEvResvLink1, &B::opResvLink1ACK_Exec, &B::opResvLink1NAK_Exec,
     &B::opClrResvLink1Error_Exec},
    {kStateResvLink2Sent, kEvResvLink2, &B::opResvLink2ACK_Exec, &B::opResvLink2NAK_Exec,
     &B::opClrResvLink2Error_Exec},
    {kStateResvLink3Sent, kEvResvLink3, &B::opResvLink3ACK_Exec, &B::opResvLink3NAK_Exec,
     &B::opClrResvLink3Error_Exec},
};

// A write frame holding this text is a rail command.
constexpr const char* kRailMark = "ATH0";
// More read time-outs than this since the table was built are a severe fault.
constexpr double kSevereFaultTimeouts = 10;
constexpr int64_t kLogSwitchModulus = 10000;
constexpr int64_t kLogSwitchAt = 100;
constexpr uint32_t kQualityWriteFailed = 0x04000000;
// The state a simple handler leaves as it is.
constexpr int32_t kKept = -1;

// The log line's text of what an exchange received; when the line sent more than the reply
// text keeps, the line says how much was cut from its front.
std::string ReceivedText(const TCommandItem& command) {
  if (command.ReplyCut == 0) return Text(Msg::RunReplyReceived) + command.Reply;
  return Text(Msg::RunReplyCutHead) + std::to_string(command.ReplyCut) +
         Text(Msg::RunReplyCutTail) + command.Reply;
}

}  // namespace

template <class Body>
void TBaseDLLObject::ExchangeStep(const char* method, Body&& body) {
  const bool ok = Guarded(this, kClass, method, false, [&] {
    body();
    return true;
  });
  if (!ok) {
    RunEvent_ = kEvNone;
    RunStatus_ = kStateLinked;
  }
}

void TBaseDLLObject::NoCommandFault() {
  RunStatus_ = kStateFaultLinked;
  RunEvent_ = kEvLink;
}

void TBaseDLLObject::CheckSevereFault() {
  if (stats_.ReadTimeouts() <= kSevereFaultTimeouts) return;
  WriteCommEvent(Text(Msg::RunSevereFault));
  if (FaultEvent_ != 0) platform::SignalFaultEvent(FaultEvent_);
  const double whole = std::trunc(stats_.ReadTimeouts());
  if (whole < 9.0e18 && static_cast<int64_t>(whole) % kLogSwitchModulus == kLogSwitchAt) {
    SetEnLog(true);
  }
}

void TBaseDLLObject::LogFailedExchange(const std::string& operation, const std::string& expected) {
  const TCommandItem& command = *CurCommand_;
  SetLogMsg("\r\n");
  SetLogMsg("\r\n" + DateTimeText() + operation + command.AskFrame + "\r\n");
  SetLogMsg("\r\n" + DateTimeText() + expected + command.AnswerHead + "\r\n");
  if (command.Reply.empty()) {
    LogLine(Text(Msg::RunNoReply));
  } else {
    LogLine(ReceivedText(command));
    LogLine(Text(Msg::RunReplyRejected));
  }
}

void TBaseDLLObject::GetRunEvent() {
  Guarded(this, kClass, "GetRunEvent", [&] {
    if (RunEvent_ != kEvNone) return;
    if (!CommEnabled_) {
      RunEvent_ = kEvNone;
      return;
    }
    // The reply is taken before the time-out is tested: a reply that came in after the
    // time-out but before this poll still counts. The time since the send is the unsigned tick
    // difference, right across the tick's wrap and, for a machine not stepped for weeks (the
    // line switched off), up to the tick's whole range of about 49.7 days.
    auto overdue = [&] {
      const uint32_t elapsed = Tick() - LastCommTick_;
      return elapsed > ProcessOutTime();
    };
    switch (RunStatus_) {
      case kStateLinked:
        GetNextCommand();
        if (CurCommand_ != nullptr) {
          if (!CurCommand_->IsWrite) {
            RunEvent_ = kEvRead;
          } else {
            RunEvent_ =
                CurCommand_->AskFrame.find(kRailMark) != std::string::npos ? kEvRail : kEvWrite;
          }
        }
        break;
      case kStateReadSent:
        if (GetResult()) {
          RunEvent_ = kEvReadACK;
        } else if (overdue()) {
          RunEvent_ = kEvReadNAK;
        }
        break;
      case kStateWriteSent:
        if (GetResult()) {
          RunEvent_ = kEvWriteACK;
        } else if (overdue()) {
          RunEvent_ = kEvWriteNAK;
        }
        break;
      default:
        break;
    }
    if (RunEvent_ == kEvReadACK || RunEvent_ == kEvReadNAK || RunEvent_ == kEvWriteACK ||
        RunEvent_ == kEvWriteNAK) {
      UpdateLinkStatus();
    }
  });
}

void TBaseDLLObject::SwitchRunStatus() {
  Guarded(this, kClass, "SwitchRunStatus", [&] {
    const RunEventCode event = RunEvent_;
    switch (RunStatus_) {
      case kStateIdle:
        if (event == kEvInit) opInit_Exec();
        break;
      case kStateLineDown:
        if (event == kEvInit || event == kEvStop) opStop_Exec();
        if (event == kEvLink) opLink_Exec();
        if (event == kEvUnlink) opUnLink_Exec();
        break;
      case kStateFaultLinked:
      case kStateFaultUnlinked:
        opClrSystemError_Exec();
        break;
      case kStateLinked:
        if (event == kEvInit || event == kEvUnlink || event == kEvStop) opUnLink_Exec();
        if (event == kEvLink) opLink_Exec();
        if (event == kEvRead) opReadCmd_Exec();
        // A rail command has no exchange of its own on this line: it is sent as the write it is.
        if (event == kEvWrite || event == kEvRail) opWriteCmd_Exec();
        if (event == kEvParm) opParmCmd_Exec();
        break;
      default:
        // A state that waits for an exchange: its family's acknowledgement, failure and
        // clear-error events, in that order after the family's request event.
        for (const WaitingFamily& family : kWaitingFamilies) {
          if (family.state != RunStatus_) continue;
          if (event == family.request + 1) (this->*family.ack)();
          if (event == family.request + 2) (this->*family.nak)();
          if (event == family.request + 3) (this->*family.clear)();
        }
        break;
    }
  });
}

void TBaseDLLObject::opSystemError_Exec() {
  Guarded(this, kClass, "opSystemError_Exec", [&] { RunEvent_ = kEvNone; });
}

// The simple handlers of the extension families: clear the event, set the state (or keep it)
// and run the next step.
void TBaseDLLObject::SimpleStep(const char* method, int32_t newState) {
  Guarded(this, kClass, method, [&] {
    RunEvent_ = kEvNone;
    if (newState != kKept) RunStatus_ = static_cast<RunStateCode>(newState);
    ReadExecute();
  });
}

void TBaseDLLObject::opInit_Exec() {
  SimpleStep("opInit_Exec", kStateLinked);
}
void TBaseDLLObject::opInitACK_Exec() {
  SimpleStep("opInitACK_Exec", kStateLinked);
}
void TBaseDLLObject::opInitNAK_Exec() {
  SimpleStep("opInitNAK_Exec", kKept);
}
void TBaseDLLObject::opClrInitError_Exec() {
  SimpleStep("opClrInitError_Exec", kStateIdle);
}
void TBaseDLLObject::opStopNAK_Exec() {
  SimpleStep("opStopNAK_Exec", kKept);
}
void TBaseDLLObject::opClrStopError_Exec() {
  SimpleStep("opClrStopError_Exec", kStateLineDown);
}
void TBaseDLLObject::opLinkACK_Exec() {
  SimpleStep("opLinkACK_Exec", kStateLinked);
}
void TBaseDLLObject::opLinkNAK_Exec() {
  SimpleStep("opLinkNAK_Exec", kKept);
}
void TBaseDLLObject::opClrLinkError_Exec() {
  SimpleStep("opClrLinkError_Exec", kStateLineDown);
}
void TBaseDLLObject::opUnLink_Exec() {
  SimpleStep("opUnLink_Exec", kStateUnlinkSent);
}
void TBaseDLLObject::opUnLinkACK_Exec() {
  SimpleStep("opUnLinkACK_Exec", kStateLineDown);
}
void TBaseDLLObject::opUnLinkNAK_Exec() {
  SimpleStep("opUnLinkNAK_Exec", kKept);
}
void TBaseDLLObject::opClrUnLinkError_Exec() {
  SimpleStep("opClrUnLinkError_Exec", kStateLineDown);
}
void TBaseDLLObject::opParmCmd_Exec() {
  SimpleStep("opParmCmd_Exec", kStateParmSent);
}
void TBaseDLLObject::opParmACK_Exec() {
  SimpleStep("opParmACK_Exec", kStateLinked);
}
void TBaseDLLObject::opParmNAK_Exec() {
  SimpleStep("opParmNAK_Exec", kKept);
}
void TBaseDLLObject::opClrParmError_Exec() {
  SimpleStep("opClrParmError_Exec", kStateLinked);
}
void TBaseDLLObject::opRailCmd_Exec() {
  SimpleStep("opRailCmd_Exec", kStateRailSent);
}
void TBaseDLLObject::opRailNAK_Exec() {
  SimpleStep("opRailNAK_Exec", kStateLinked);
}
void TBaseDLLObject::opClrRailError_Exec() {
  SimpleStep("opClrRailError_Exec", kStateLinked);
}
void TBaseDLLObject::opResvLink1_Exec() {
  SimpleStep("opResvLink1_Exec", kStateResvLink1Sent);
}
void TBaseDLLObject::opResvLink1ACK_Exec() {
  SimpleStep("opResvLink1ACK_Exec", kStateLinked);
}
void TBaseDLLObject::opResvLink1NAK_Exec() {
  SimpleStep("opResvLink1NAK_Exec", kKept);
}
void TBaseDLLObject::opClrResvLink1Error_Exec() {
  SimpleStep("opClrResvLink1Error_Exec", kStateIdle);
}
void TBaseDLLObject::opResvLink2_Exec() {
  SimpleStep("opResvLink2_Exec", kStateResvLink2Sent);
}
void TBaseDLLObject::opResvLink2ACK_Exec() {
  SimpleStep("opResvLink2ACK_Exec", kStateLinked);
}
void TBaseDLLObject::opResvLink2NAK_Exec() {
  SimpleStep("opResvLink2NAK_Exec", kKept);
}
void TBaseDLLObject::opClrResvLink2Error_Exec() {
  SimpleStep("opClrResvLink2Error_Exec", kStateIdle);
}
void TBaseDLLObject::opResvLink3_Exec() {
  SimpleStep("opResvLink3_Exec", kStateResvLink3Sent);
}
void TBaseDLLObject::opResvLink3ACK_Exec() {
  SimpleStep("opResvLink3ACK_Exec", kStateLinked);
}
void TBaseDLLObject::opResvLink3NAK_Exec() {
  SimpleStep("opResvLink3NAK_Exec", kKept);
}
void TBaseDLLObject::opClrResvLink3Error_Exec() {
  SimpleStep("opClrResvLink3Error_Exec", kStateIdle);
}

void TBaseDLLObject::opLink_Exec() {
  Guarded(this, kClass, "opLink_Exec", [&] {
    // No exchange of this line answers a link request: the link counts as acknowledged at once,
    // so the machine goes back to work instead of waiting in state 7 for good.
    RunStatus_ = kStateLinkSent;
    RunEvent_ = kEvLinkACK;
    ReadExecute();
  });
}

void TBaseDLLObject::opStop_Exec() {
  Guarded(this, kClass, "opStop_Exec", [&] {
    RunEvent_ = kEvNone;
    RunStatus_ = kStateStopSent;
    Stop();
  });
}

void TBaseDLLObject::opStopACK_Exec() {
  Guarded(this, kClass, "opStopACK_Exec", [&] {
    RunEvent_ = kEvNone;
    RunStatus_ = kStateIdle;
    CommEnabled_ = false;
    ReadExecute();
  });
}

void TBaseDLLObject::opRailACK_Exec() {
  Guarded(this, kClass, "opRailACK_Exec", [&] {
    RunStatus_ = kStateLinked;
    RunEvent_ = kEvWrite;  // the pending write goes out next
    ReadExecute();
  });
}

void TBaseDLLObject::opClrSystemError_Exec() {
  Guarded(this, kClass, "opClrSystemError_Exec", [&] {
    const RunEventCode event = RunEvent_;
    const bool restart = event == kEvInit || event == kEvUnlink || event == kEvStop;
    if (RunStatus_ == kStateFaultUnlinked) {
      if (restart) RunStatus_ = kStateLineDown;
    } else if (RunStatus_ == kStateFaultLinked) {
      if (restart) RunStatus_ = kStateLinked;
      if (event == kEvLink) RunStatus_ = kStateLineDown;
    } else {
      RunEvent_ = kEvNone;
    }
    ReadExecute();
  });
}

void TBaseDLLObject::opReadCmd_Exec() {
  ExchangeStep("opReadCmd_Exec", [&] {
    if (CurCommand_ != nullptr) RealComm(CurCommand_);
    RunEvent_ = kEvNone;
    RunStatus_ = kStateReadSent;
  });
}

void TBaseDLLObject::opReadACK_Exec() {
  ExchangeStep("opReadACK_Exec", [&] {
    if (CurCommand_ == nullptr) {
      NoCommandFault();
      return;
    }
    TCommandItem& command = *CurCommand_;
    command.FailCount = 0;
    if ((command.Command & kCommandServesTags) != 0) {
      for (int32_t index : command.TagIndexes) {
        TTagItem* tag = TagAt(index);
        if (tag == nullptr) continue;
        ++tag->ReadCount;
        if (tag->Quality != 0) {
          tag->Quality = 0;
          TouchTag(*tag);
        }
      }
    }
    stats_.ReadAnswered();
    links_.Answered();
    LinkOK_ = true;
    if (TraceOn()) {
      LogLine(Text(Msg::RunReadSent) + command.AskFrame);
      LogLine(ReceivedText(command));
      LogLine(Text(Msg::RunReplyChecked));
    }
    GetCommandNext();
    RunEvent_ = kEvNone;
    if (CurCommand_ != nullptr) {
      opReadCmd_Exec();  // the follow-on frame of the same command
    } else {
      RunStatus_ = kStateLinked;
      ReadExecute();
    }
  });
}

void TBaseDLLObject::opReadNAK_Exec() {
  ExchangeStep("opReadNAK_Exec", [&] {
    if (CurCommand_ == nullptr) {
      NoCommandFault();
      return;
    }
    stats_.ReadTimedOut();
    LinkOK_ = false;
    WriteCommEvent(Text(Msg::RunTimeoutWaiting));
    ++CurCommand_->FailCount;
    CheckSevereFault();
    if (ErrorLogOn()) {
      LogFailedExchange(Text(Msg::RunReadTimeoutOp), Text(Msg::RunReadTimeoutHead));
    }
    // One time-out weighs two failures in the scheduler.
    ++CurCommand_->FailCount;
    RunEvent_ = kEvClrReadError;  // a read is not repeated
    ReadExecute();
  });
}

void TBaseDLLObject::opClrReadError_Exec() {
  ExchangeStep("opClrReadError_Exec", [&] {
    stats_.ReadFailed();
    if (CurCommand_ == nullptr) {
      NoCommandFault();
      return;
    }
    for (int32_t index : CurCommand_->TagIndexes) {
      TTagItem* tag = TagAt(index);
      if (tag == nullptr) continue;
      ++tag->ReadCount;
      ++tag->ReadFailCount;
    }
    if (ErrorLogOn()) LogFailedExchange(Text(Msg::RunReadFailOp), Text(Msg::RunReadFailHead));
    RunEvent_ = kEvNone;
    RunStatus_ = kStateLinked;
    ReadExecute();
  });
}

void TBaseDLLObject::opWriteCmd_Exec() {
  ExchangeStep("opWriteCmd_Exec", [&] {
    if (CurCommand_ != nullptr) {
      RealComm(CurCommand_);
      ConsumeWriteBudget();
    }
    RunEvent_ = kEvNone;
    RunStatus_ = kStateWriteSent;
    if (TraceOn()) {
      LogLine(Text(Msg::RunWriteSent) + (CurCommand_ != nullptr ? CurCommand_->AskFrame : ""));
    }
  });
}

void TBaseDLLObject::opWriteACK_Exec() {
  ExchangeStep("opWriteACK_Exec", [&] {
    if (CurCommand_ == nullptr) {
      NoCommandFault();
      return;
    }
    TCommandItem& command = *CurCommand_;
    if ((command.Command & kCommandServesTags) != 0) {
      for (size_t i = 0; i < command.TagIndexes.size(); ++i) {
        TTagItem* tag = TagAt(command.TagIndexes[i]);
        if (tag == nullptr) continue;
        ++tag->WriteCount;
        tag->Quality = 0;
        // The device confirmed the value: the tag now shows it.
        if (i < command.WriteValues.size()) tag->Value = command.WriteValues[i];
        TouchTag(*tag);
      }
    }
    stats_.WriteAnswered();
    links_.Answered();
    SetProcessWCount(Parm_->WCount);
    LinkOK_ = true;
    if (TraceOn()) {
      LogLine(ReceivedText(command));
      LogLine(Text(Msg::RunReplyChecked));
    }
    GetCommandNext();
    RunEvent_ = kEvNone;
    if (CurCommand_ != nullptr) {
      opWriteCmd_Exec();  // the follow-on frame of the same write
    } else {
      RunStatus_ = kStateLinked;
      ReadExecute();
    }
  });
}

void TBaseDLLObject::opWriteNAK_Exec() {
  ExchangeStep("opWriteNAK_Exec", [&] {
    if (CurCommand_ == nullptr) {
      NoCommandFault();
      return;
    }
    stats_.WriteTimedOut();
    LinkOK_ = false;
    WriteCommEvent(Text(Msg::RunTimeoutWaiting));
    CheckSevereFault();
    if (ErrorLogOn()) {
      LogFailedExchange(Text(Msg::RunWriteTimeoutOp), Text(Msg::RunWriteTimeoutHead));
    }
    if (CurCommand_->Kind == CommandKind::kWrite) {
      // The budget is shared by every write of the process; once it is used up this command
      // gets one last try and the budget is filled again.
      if (ProcessWCount() == 0) {
        CurCommand_->Kind = CommandKind::kRead;
        SetProcessWCount(Parm_->WCount);
      }
      RunStatus_ = kStateLinked;
      RunEvent_ = kEvWrite;
    } else {
      RunEvent_ = kEvClrWriteError;
    }
    ReadExecute();
  });
}

void TBaseDLLObject::opClrWriteError_Exec() {
  ExchangeStep("opClrWriteError_Exec", [&] {
    RunEvent_ = kEvNone;
    stats_.WriteFailed();
    if (CurCommand_ == nullptr) {
      NoCommandFault();
      return;
    }
    TCommandItem& command = *CurCommand_;
    if ((command.Command & kCommandServesTags) != 0 && !command.TagIndexes.empty()) {
      if (TTagItem* first = TagAt(command.TagIndexes.front())) {
        first->Quality = kQualityWriteFailed;
        TouchTag(*first);
      }
    }
    for (int32_t index : command.TagIndexes) {
      TTagItem* tag = TagAt(index);
      if (tag == nullptr) continue;
      ++tag->WriteCount;
      ++tag->WriteFailCount;
    }
    if (ErrorLogOn()) LogFailedExchange(Text(Msg::RunWriteFailOp), Text(Msg::RunWriteFailHead));
    ReleaseExecutingChain();
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
    RunStatus_ = kStateLinked;
    ReadExecute();
  });
}

}  // namespace vdinv::engine
