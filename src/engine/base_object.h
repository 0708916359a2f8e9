// TBaseDLLObject: the device-independent driver engine. One instance serves one host thread:
// it owns the copy of the device parameter block, the tag table, the command list, the write
// queue, the run state, the statistics and the log. The protocol layers derive from it and
// override its hooks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/guard.h"
#include "common/messages.h"
#include "common/parameter_block.h"
#include "common/records.h"
#include "engine/command_item.h"
#include "engine/driver_environment.h"
#include "engine/link_status.h"
#include "engine/log_file.h"
#include "engine/run_codes.h"
#include "engine/run_statistics.h"
#include "engine/schedule_index.h"
#include "engine/tag_item.h"
#include "engine/tag_records.h"
#include "engine/write_queue.h"

namespace vdinv::engine {

using TagInfoList = std::vector<const TTagInfo*>;

class TBaseDLLObject : public ExceptionLog {
 public:
  TBaseDLLObject(const DriverEnvironment& env, bool firstInstance);
  virtual ~TBaseDLLObject();
  TBaseDLLObject(const TBaseDLLObject&) = delete;
  TBaseDLLObject& operator=(const TBaseDLLObject&) = delete;

  // Published properties.
  const std::string& sErrEvent() const { return sErrEvent_; }
  int32_t TagCount() const { return TagCount_; }
  int32_t ScanTime() const { return ScanTime_; }
  bool FirstInstance() const { return FirstInstance_; }
  const std::string& DevMsg() const { return DevMsg_; }
  bool EnLog() const { return EnLog_; }

  // Life of the object.
  virtual bool IniParm(const TDevParmBlock* block);
  virtual void Refresh();
  virtual void OptimizeCommParm();
  virtual int32_t GetInterval();
  virtual bool IniDLLObj(const TDevParmBlock* block, const TagInfoList& tags);
  virtual void Stop();

  // Tag table.
  virtual bool IniTagList(const TagInfoList& tags);
  // A second table builder: appends to a running table; results gets 0 (accepted) or 1
  // (dropped) per host tag; the result is 1 when any tag was dropped.
  virtual int32_t AddTagLists(const TagInfoList& tags, std::vector<int32_t>& results);
  virtual std::unique_ptr<TTagItem> CreatInternalTag(const TTagInfo& info);
  // Fills the address fields of a new record from its address (type text and index, device,
  // model, channel, bit, segments) and its writability.
  virtual void ParseTagAddress(TTagItem& tag);
  // Rewrites an address typed in the configuration side into its normal form; true when its
  // type prefix is known.
  virtual bool CheckTagAddr(const TDevParmBlock* block, std::string& address);
  virtual bool ValidTagValFrm(int32_t first, int32_t second);

  // Tag addresses (GBK texts). The parsers write their hints and errors to the log.
  int32_t GetTagTypeIndex(const std::string& name, const std::string& address);
  virtual void GetTagTypeStr(const std::string& name, const std::string& address,
                             std::string& text);
  // The device number; the default device without a colon; -1 on an unknown type or an
  // illegal number.
  int32_t GetDevID(const std::string& name, const std::string& address);
  virtual int32_t GetChID(const std::string& name, const std::string& address, uint8_t model);
  virtual int32_t GetBitID(const std::string& name, const std::string& address, uint8_t model);
  virtual int32_t GetThirdSegID(const std::string& name, const std::string& address, uint8_t model);
  virtual int32_t GetFourSegID(const std::string& name, const std::string& address, uint8_t model);
  virtual int32_t GetFiveSegID(const std::string& name, const std::string& address, uint8_t model);
  // Keeps an ordinary tag or releases it (setting the reference to null) with its messages.
  virtual void CheckAddrValid(std::unique_ptr<TTagItem>& tag);
  // The model code of a device number in a block: 2 (no device) outside 0..99.
  static uint8_t ModelOf(const TDevParmBlock& block, int32_t devId);
  // A whole text read as a decimal number with an optional sign; false when it is not one.
  static bool AddressNumber(const std::string& text, int32_t& value);

  // Command list.
  virtual CommandPtr CreatCommand(TTagItem& tag, CommandList& list, bool isWrite);
  virtual bool NeedCreatCommand(CommandList& list, TTagItem& tag, bool isWrite);
  virtual void FreeCommand(CommandPtr& command);
  // The request frame and the expected reply head of a command for a tag (empty here; the
  // protocol layer builds them).
  virtual std::string GetAskStr(TCommandItem& command, TTagItem& tag, bool isWrite);
  virtual std::string GetAnswerMainStr(TCommandItem& command, TTagItem& tag, bool isWrite);
  // True when a tag of this type is polled with read commands.
  virtual bool TypeNeedsReadCommand(int32_t typeIndex) const;
  int32_t WriteLogBudget() const { return WriteLogBudget_; }

 protected:
  // True (with the refusal's log line when the error log is on) when the write queue already
  // holds a write of the tag's current value.
  bool WriteAlreadyQueued(const TTagItem& tag);
  // The numeric image of the value to write: analog the number, switch and string the previous
  // word with the tag's bit set or cleared.
  static void PrepareWriteNumber(TTagItem& tag);
  // A tag's value in the log: analog as a number, switch "True"/"False", string as is (or
  // nothing when stringAsIs is false).
  static std::string ValueLogText(const TTagItem& tag, bool stringAsIs);
  // The log text of a command: device, its tags (with their values for a write) and frame.
  std::string CommandLogText(const TCommandItem& command, int32_t devId, bool withValues,
                             const std::string& closing) const;
  // The detailed log line of a new write command, while the debug log is on and the budget
  // lasts.
  void LogNewWriteCommand(const TCommandItem& command, const TTagItem& tag);
  // The tag behind a TagIndexes entry, or null.
  TTagItem* TagAt(int32_t listIndex) const;
  // A new command record for a tag: its tag, type, device, value, word and period, as a read
  // command without frames; null for a write of a value that no 32-bit word can carry.
  static CommandPtr NewCommandRecord(TTagItem& tag, bool isWrite);
  // The scheduling fields of a new command: a write is due first (its Interval the more
  // negative the longer the list), a read at once.
  void ScheduleNewCommand(TCommandItem& command, const CommandList& list, bool isWrite) const;
  // Lowers a read command's interval to a tag's scan period when that is smaller.
  static void LowerInterval(TCommandItem& command, uint32_t scanPeriod);

 public:
  // Execution: one step of the run-state machine per host poll, and write requests.
  virtual bool ReadExecute();
  virtual bool ReadExecuteEx();
  virtual bool WriteExecute(uint32_t tagId, const TagValue& value);
  // The reason a value cannot be written to a tag (a catalogue text), or nothing.
  virtual std::optional<Msg> WriteValueRefusal(const TTagItem& tag, const TagValue& value);
  // Puts a command's frame on the line (the engine part empties its reply and stamps the send).
  virtual void RealComm(TCommandItem* command);
  // True when a valid reply for CurCommand has arrived and been taken (false here).
  virtual bool GetResult();
  virtual void SyncTagValue(TCommandItem* command);

 private:
  // The write request's steps after its checks: the command, the override of queued writes of
  // the tag, the queue's bound and the expiry of old writes.
  bool QueueWrite(TTagItem& tag, const TagValue& value);
  // Takes the writes that waited too long out of the queue, marks their tags and releases them.
  void ExpireQueuedWrites();
  // Writes to the internal switches ENLOG and ENCOMMLINK.
  bool WriteLogSwitch(TTagItem& tag, const TagValue& value);
  bool WriteCommSwitch(TTagItem& tag, const TagValue& value);
  // A log line of the write path, written only while the error log is on.
  void WriteErrorLine(const std::string& text);
  // "：标签写入请求未执行：<name><reason> 地址=<address>, 标签值=<value>".
  std::string WriteNotDoneText(const TTagItem& tag, Msg reason) const;
  // Machine steps run within the current host poll, and the nesting of ReadExecute calls.
  int32_t PollSteps_ = 0;
  int32_t PollDepth_ = 0;

 public:
  // Run-state machine.
  virtual void GetRunEvent();
  virtual void SwitchRunStatus();
  virtual void UpdateLinkStatus();
  virtual void opSystemError_Exec();
  virtual void opInit_Exec();
  virtual void opInitACK_Exec();
  virtual void opInitNAK_Exec();
  virtual void opClrInitError_Exec();
  virtual void opStop_Exec();
  virtual void opStopACK_Exec();
  virtual void opStopNAK_Exec();
  virtual void opClrStopError_Exec();
  virtual void opLink_Exec();
  virtual void opLinkACK_Exec();
  virtual void opLinkNAK_Exec();
  virtual void opClrLinkError_Exec();
  virtual void opUnLink_Exec();
  virtual void opUnLinkACK_Exec();
  virtual void opUnLinkNAK_Exec();
  virtual void opClrUnLinkError_Exec();
  virtual void opReadCmd_Exec();
  virtual void opReadACK_Exec();
  virtual void opReadNAK_Exec();
  virtual void opClrReadError_Exec();
  virtual void opWriteCmd_Exec();
  virtual void opWriteACK_Exec();
  virtual void opWriteNAK_Exec();
  virtual void opClrWriteError_Exec();
  virtual void opParmCmd_Exec();
  virtual void opParmACK_Exec();
  virtual void opParmNAK_Exec();
  virtual void opClrParmError_Exec();
  virtual void opRailCmd_Exec();
  virtual void opRailACK_Exec();
  virtual void opRailNAK_Exec();
  virtual void opClrRailError_Exec();
  virtual void opResvLink1_Exec();
  virtual void opResvLink1ACK_Exec();
  virtual void opResvLink1NAK_Exec();
  virtual void opClrResvLink1Error_Exec();
  virtual void opResvLink2_Exec();
  virtual void opResvLink2ACK_Exec();
  virtual void opResvLink2NAK_Exec();
  virtual void opClrResvLink2Error_Exec();
  virtual void opResvLink3_Exec();
  virtual void opResvLink3ACK_Exec();
  virtual void opResvLink3NAK_Exec();
  virtual void opClrResvLink3Error_Exec();
  virtual void opClrSystemError_Exec();
  // Scheduling.
  virtual void GetNextCommand();
  virtual void GetCommandNext();

 protected:
  // Run-state machine and scheduling helpers.
  // A handler of an extension family: clears the event, sets the state (-1 keeps it) and runs
  // the next step.
  void SimpleStep(const char* method, int32_t newState);
  // Runs the body of a read or write handler in the guard; when it raised, the machine starts
  // afresh from the linked state with no event.
  // (Defined where the handlers are, the one file that uses it.)
  template <class Body>
  void ExchangeStep(const char* method, Body&& body);
  // Sets the state to "fault while linked" with the link request pending, as the handlers do
  // when they find no command in execution.
  void NoCommandFault();
  // The severe-fault step of a time-out: message, fault event, log switch.
  void CheckSevereFault();
  // The log block of a failed exchange: the frame after the operation text, the expected
  // reply head after the expected text, and what arrived.
  void LogFailedExchange(const std::string& operation, const std::string& expected);
  // Releases the chain in execution (the write taken from the queue, or a one-shot read).
  void ReleaseExecutingChain();
  // Sets a status tag's value and marks the tag for the next report.
  void SetStatusValue(TTagItem& tag, const TagValue& value);
  // The "CommErr" tags of a device after an exchange with it (failed: it timed out) follow its
  // link status: true while fault or line broken, and while it never answered once an exchange
  // has failed.
  void UpdateCommErrTags(int32_t devId, bool failed);
  // At table build every "CommErr" tag starts false.
  void ResetCommErrTags();
  // Appends an accepted tag to the table and marks it for the first report.
  void AddToTable(std::unique_ptr<TTagItem> tag);

  // The read commands by due time; invalidated whenever CommandList_ changes.
  ScheduleIndex Schedule_;

 public:
  // Run state, for the host interface and tests.
  uint8_t RunStatus() const { return RunStatus_; }
  uint8_t RunEvent() const { return RunEvent_; }
  int8_t CommStatus() const { return CodeValue(links_.Line()); }
  int8_t DevLinkStatus(int32_t devId) const { return CodeValue(links_.Device(devId)); }
  const TCommandItem* CurCommand() const { return CurCommand_; }
  const CommandList& WriteQueue() const { return writes_.Commands(); }
  // Replaces the request frame of the command in execution with a hand-made one (the test
  // window's raw command); the engine sends it when that command is next due. False without a
  // command in execution.
  bool ReplaceCurrentFrame(std::string frame) {
    if (CurCommand_ == nullptr) return false;
    CurCommand_->AskFrame = std::move(frame);
    return true;
  }

  // Reporting: every change of a tag's Value or Quality is followed by TouchTag(tag), so that
  // the host poll need look only at tags that may have changed.
  void TouchTag(TTagItem& tag);
  // Hands report every tag among the first `limit` of the table whose Value or Quality differs
  // from what was last reported, in table order, after taking both as reported and stamping
  // LastReportTick with now. It gives exactly what a walk of the whole table would give, but
  // looks only at the tags touched since the last walk.
  void ReportChangedTags(size_t limit, uint32_t now,
                         const std::function<void(const TTagItem&)>& report);

  // Messages and log.
  virtual void LogFileMaintenance();
  virtual void WriteCommEvent(const std::string& text);
  virtual void WriteDevMsg(const std::string& text);
  virtual void SetLogMsg(const std::string& text);
  virtual void SetEnLog(bool value);
  virtual void SetLinkOK(bool value);
  virtual void SetCommEnabled(bool value);

  // A log line: local date and time, the text, "\r\n".
  void LogLine(const std::string& text);
  // The date-time stamp of a log line.
  std::string DateTimeText() const;
  void LogException(const char* cls, const char* method) noexcept override;

  // The tag behind a host identifier, or null when the identifier was not handed over at
  // initialisation (or its tag was rejected).
  TTagItem* TagById(uint32_t tagId);
  const TagRecords::Records& Tags() const { return tags_.All(); }
  const TDevParmBlock& Parm() const { return *Parm_; }
  bool Running() const { return Running_; }
  bool Stopped() const { return Stopped_; }
  bool ParmLoaded() const { return ParmLoaded_; }
  bool LinkOK() const { return LinkOK_; }
  bool CommEnabled() const { return CommEnabled_; }
  bool LogReady() const { return LogReady_; }
  int32_t DefaultDevID() const { return DefaultDevID_; }
  int32_t FaultEvent() const { return FaultEvent_; }
  void SetFaultEvent(int32_t handle) { FaultEvent_ = handle; }
  const CommandList& Commands() const { return CommandList_; }
  uint32_t Tick() const { return env_.clock->TickCount(); }
  platform::LocalDateTime Now() const { return env_.clock->Now(); }
  const TModuleInfo& HostModule() const { return *env_.hostModule; }
  const TModuleInfo& DriverModule() const { return *env_.driverModule; }

 protected:
  // Empties the tables and marks the engine running, as a table build starts.
  void StartTables();
  // Runs the destruction steps once, with the most derived class's overrides; every class's
  // destructor calls it.
  void Destroying();
  // Writes the start banner; true when every line was written.
  bool WriteStartBanner();
  // Writes the per-tag statistics, memory lines, run time and run summary.
  void WriteRunReport(uint32_t runTime);
  // The text of a link status code, as the status tags show it.
  std::string StatusText(int32_t code) const;
  // "<n>号变频器<ModelName>": the label of a device in status texts.
  std::string DeviceLabel(int32_t devId) const;
  static bool ValidDevice(int32_t devId) { return LinkStatus::ValidDevice(devId); }
  bool ErrorLogOn() const { return Parm_->EnErrorLog != 0; }
  bool DebugOn() const { return Parm_->EnDebug != 0; }
  bool TraceOn() const { return Parm_->EnTraceLog != 0; }

  DriverEnvironment env_;
  LogFile log_;
  TagRecords tags_;
  QueuedWrites writes_;
  LinkStatus links_;
  RunStatistics stats_;

  // Fields, in their long-standing order.
  bool FirstInstance_;
  int32_t ScanTime_ = 500;
  int32_t TagCount_ = 0;
  bool ParmLoaded_ = false;
  std::string sErrEvent_;
  bool LinkOK_ = false;
  bool CommEnabled_ = true;
  std::string LineEnd_;
  RunStateCode RunStatus_ = kStateIdle;
  RunEventCode RunEvent_ = kEvNone;
  uint32_t LastCommTick_ = 0;
  std::string DevMsg_;
  bool EnLog_ = true;
  bool EnLogTag_ = false;
  bool Running_ = false;
  bool Stopped_ = false;
  bool LogReady_ = false;
  int32_t WriteLogBudget_ = 1000;
  CommandList CommandList_;
  // The engine's own copy of the block (held on the heap: it is 26 KB).
  std::unique_ptr<TDevParmBlock> Parm_;
  int32_t DefaultDevID_ = 99;
  int32_t FaultEvent_ = 0;
  TCommandItem* CurCommand_ = nullptr;
  TCommandItem* NextCommand_ = nullptr;

 private:
  bool destroyed_ = false;
};

}  // namespace vdinv::engine
