// TCustomDLLObject: the generic, table-driven frame layer above the engine. It owns the serial
// line of the driver object, takes the line's time-out and write repetitions from the
// parameter block, turns tags into commands with their address ranges and frames, groups the
// tags that share a request frame into one read command, and adds the frame statistics to the
// log.
#pragma once

#include <memory>

#include "engine/base_object.h"
#include "protocol/command_index.h"
#include "protocol/line_thread.h"
#include "serial/comm_class.h"

namespace vdinv::protocol {

class TCustomDLLObject : public engine::TBaseDLLObject {
 public:
  TCustomDLLObject(const engine::DriverEnvironment& env, bool firstInstance);
  ~TCustomDLLObject() override;

  bool IniParm(const TDevParmBlock* block) override;
  void OptimizeCommParm() override;
  int32_t GetInterval() override;
  void Stop() override;

  // Commands: a write command for every writable tag, a read command for every distinct
  // request frame of a device (the tags that share it join the first such command).
  engine::CommandPtr CreatCommand(TTagItem& tag, engine::CommandList& list, bool isWrite) override;
  bool NeedCreatCommand(engine::CommandList& list, TTagItem& tag, bool isWrite) override;
  std::string GetAnswerMainStr(TCommandItem& command, TTagItem& tag, bool isWrite) override;

  // The data text of a tag's value in a frame (empty here; the device's layer renders it).
  virtual std::string CreateValueStr(TTagItem& tag, bool isWrite);
  // The function-code range of a command for a tag: while the command is not active, the
  // block of the type's length that holds the tag's code; once active, its recorded range.
  virtual int32_t GetCommandStartAddr(TCommandItem& command, TTagItem& tag);
  virtual int32_t GetCommandEndAddr(TCommandItem& command, TTagItem& tag);
  virtual int32_t GetCommandAddrLength(TCommandItem& command, TTagItem& tag);
  // A received text without its check code.
  virtual std::string GetCrcSourceStr(const std::string& text);
  // The text with its check code appended (the text itself here; the device's layer adds its
  // code).
  virtual std::string CheckCRC(const std::string& text);

  // Puts a command's frame on the line (nothing for a switched-off or unknown device).
  void RealComm(TCommandItem* command) override;
  // Takes what arrived for the command in execution: true once the inverter's reply to its
  // frame is complete and intact; a read reply's data word goes into the command's tags.
  bool GetResult() override;
  // Stores the data word of a read reply into the tags the command serves; true when a tag
  // took a value.
  virtual bool CommAnalyze(const std::string& data, bool negative, TCommandItem& command);

  // The last reply taken (acknowledged or refused), as a frame from its SOH, and the request it
  // answered; empty before the first. A window shows them after the exchange has ended.
  const std::string& LastReplyFrame() const { return lastReply_; }
  const std::string& LastAnsweredRequest() const { return lastAnswered_; }

  bool CommCreated() const { return CommCreated_; }
  serial::TCommClass* Comm() { return Comm_.get(); }
  // Opens the block's port ahead of the initialisation, waiting for a missing or busy one, so
  // that the initialisation that follows does not wait for it; true when the port is open.
  bool WaitForPort(const TDevParmBlock& block);

  // The line thread (protocol/line_thread.h), started after a successful initialisation when
  // the environment asks for it; null while the host's polls run the line.
  LineThread* Line() { return line_.get(); }
  // Starts the line thread when the environment asks for it and the object runs; true when
  // one runs afterwards. A pacer, if given, paces its rounds (LineThread::Pacer).
  bool StartLineThread(LineThread::Pacer* pacer = nullptr);
  // Ends the line thread, if any, and waits for it.
  void EndLineThread();
  // For the line thread: the port's WaitForInput (-1 without a port), its Wake, and how long
  // the reply of the exchange in progress may still take before it is overdue.
  int32_t WaitForLine(uint32_t timeoutMs);
  void WakeLine();
  uint32_t ReplyTimeLeft() const;
  // The bytes of the awaited reply that are not in yet, once it has begun (a reply is as long
  // as its request); 0 while nothing has come or more than the request's length has.
  uint32_t ReplyBytesMissing() const;
  // The time one character takes on the line (start, data, parity and stop bits), in µs; 0
  // without valid settings.
  uint32_t CharTimeUs() const;
  bool SendPending() const { return Comm_ && Comm_->SendPending(); }

 protected:
  // Opens the serial line with the block's settings; the status text goes to sErrEvent.
  virtual bool OpenLine(const TDevParmBlock& block);
  // The serial line, made on first use.
  serial::TCommClass& CommLine();
  // The largest number of tags one read command serves.
  size_t LongestCommand() const;

  bool CommCreated_ = false;
  std::unique_ptr<serial::TCommClass> Comm_;
  // The exchange whose refusal was traced last, so that a refusal is traced once.
  const TCommandItem* nakTraced_ = nullptr;
  uint32_t nakTracedTick_ = 0;
  // The command whose received text was searched last, and where the next search of it begins,
  // counted from the first character received since the request went out.
  const TCommandItem* searched_ = nullptr;
  uint64_t searchFrom_ = 0;
  std::string lastReply_;
  std::string lastAnswered_;
  // Finds the read command a tag joins without walking the whole list.
  CommandIndex readIndex_;
  // Last member: destroyed first, before anything it uses.
  std::unique_ptr<LineThread> line_;
};

}  // namespace vdinv::protocol
