#include "host/runtime_api.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/parameter_block.h"
#include "host/process.h"
#include "platform/datetime.h"
#include "platform/text.h"

namespace vdinv::host {
namespace {

void SetMessage(char** msg, const std::string& text) {
  if (msg != nullptr) *msg = platform::AllocHostText(text);
}

// Hands the pending message over and clears it.
void TakeMessage(engine::TBaseDLLObject& driver, char** msg) {
  SetMessage(msg, driver.sErrEvent());
  driver.WriteCommEvent(std::string());
}

void FillValue(uint32_t tagId, uint8_t dataType, uint32_t quality, const TagValue& value,
               double timeStamp, TTagValue& record) {
  record.TagID = tagId;
  record.TimeStamp = timeStamp;
  record.DataType = dataType;
  record.Quality = quality;
  std::fill(std::begin(record.Value.raw), std::end(record.Value.raw), uint8_t{0});
  switch (dataType) {
    case kAnalog:
      record.Value.analog = value.ToDouble();
      break;
    case kSwitch:
      record.Value.switchValue = value.ToBoolean() ? 1 : 0;
      break;
    case kString:
      record.Value.text = platform::AllocHostText(value.ToText());
      break;
    default:
      break;
  }
}

// The value of a write record; nothing for a type other than analog, switch or string, whose
// value bytes are no text pointer and are never read as one.
std::optional<TagValue> ValueOf(const TTagValue& record) {
  switch (record.DataType) {
    case kAnalog:
      return TagValue::Double(record.Value.analog);
    case kSwitch:
      return TagValue::Boolean(record.Value.switchValue != 0);
    case kString:
      return TagValue::String(record.Value.text != nullptr ? std::string(record.Value.text)
                                                           : std::string());
    default:
      return std::nullopt;
  }
}

}  // namespace

bool IniDriver(int32_t count, TTagInfo** tags, void* pdb, char** msg) {
  return InitDriver(Process::Instance(), count, tags, pdb, msg);
}

bool InitDriver(Process& process, int32_t count, TTagInfo** tags, void* pdb, char** msg) {
  if (msg != nullptr) *msg = nullptr;
  if (tags == nullptr) {
    SetMessage(msg, Text(Msg::InvalidTagList));
    return false;
  }
  if (pdb == nullptr) {
    SetMessage(msg, Text(Msg::InvalidParameterBlock));
    return false;
  }
  platform::AutoResetEvent* guard = process.InitGuard();
  if (guard == nullptr) {
    SetMessage(msg, Text(Msg::GuardEventMissing));
    return false;
  }
  // The guard admits one initialisation at a time. It is given back while the port is waited
  // for: a missing or busy port of one line must not hold up the start of the others.
  if (!guard->Wait(kInitGuardWaitMs)) {
    SetMessage(msg, Text(Msg::ConcurrentInit));
    return false;
  }
  TDevParmBlock block{};
  protocol::TDLLObject* const none = nullptr;
  protocol::TDLLObject* driver = Guarded(nullptr, "DLLMain", "IniDriver", none, [&] {
    // An object left on this thread by an earlier initialisation is stopped and released first,
    // so that its serial line is free for the new one. Without a thread slot there is nowhere
    // to keep an object, and nothing is set up.
    if (!process.ReplaceThreadDriver(nullptr)) return none;
    engine::DriverEnvironment env = process.Environment();
    env.lineThread = Process::LineThreadSwitch();
    auto created = std::make_unique<protocol::TDLLObject>(env, true);
    protocol::TDLLObject* own = created.get();
    if (!process.ReplaceThreadDriver(std::move(created))) return none;
    CheckPdbModels(pdb);
    block = LoadPdb(pdb);
    return own;
  });
  guard->Signal();
  if (driver == nullptr) return false;

  // The object is this thread's own: nobody else reaches it while the port is waited for.
  driver->WaitForPort(block);

  if (!guard->Wait(kInitGuardWaitMs)) {
    SetMessage(msg, Text(Msg::ConcurrentInit));
    return false;
  }
  bool result = Guarded(nullptr, "DLLMain", "IniDriver", false, [&] {
    engine::TagInfoList list(tags, tags + std::max(count, 0));
    bool ok = driver->IniDLLObj(&block, list);
    TakeMessage(*driver, msg);
    if (ok) process.StartLine(*driver);
    return ok;
  });
  guard->Signal();
  return result;
}

bool IniDriverEx(int32_t faultEvent) {
  if (protocol::TDLLObject* driver = Process::Instance().ThreadDriver()) {
    if (protocol::LineThread* line = driver->Line()) {
      line->SetFaultEvent(faultEvent);
    } else {
      driver->SetFaultEvent(faultEvent);
    }
  }
  return true;
}

bool OnDataRead(int32_t* count, TTagValue* values, char** msg) {
  if (count != nullptr) *count = 0;
  protocol::TDLLObject* driver = Process::Instance().ThreadDriver();
  if (driver == nullptr || values == nullptr || count == nullptr) {
    SetMessage(msg, Text(Msg::DeviceNotInitialised));
    return true;
  }
  if (protocol::LineThread* line = driver->Line()) {
    return CollectLine(*driver, *line, count, values, msg);
  }
  return PollDriver(*driver, count, values, msg);
}

bool PollDriver(engine::TBaseDLLObject& driver, int32_t* count, TTagValue* values, char** msg) {
  *count = 0;
  driver.ReadExecute();
  TakeMessage(driver, msg);
  struct Report {
    TTagValue* values;
    int32_t reported;
    double timeStamp;
  } report{values, 0, platform::ToOleDate(driver.Now())};
  const auto limit = static_cast<size_t>(std::max(driver.TagCount(), 0));
  driver.ReportChangedTags(limit, driver.Tick(), [&report](const TTagItem& tag) {
    FillValue(tag.TagID, tag.DataType, tag.Quality, tag.Value, report.timeStamp,
              report.values[report.reported]);
    ++report.reported;
  });
  *count = report.reported;
  return true;
}

bool CollectLine(engine::TBaseDLLObject& driver, protocol::LineThread& line, int32_t* count,
                 TTagValue* values, char** msg) {
  protocol::LineThread::Collected collected = line.Collect();
  SetMessage(msg, collected.message);
  const double timeStamp = platform::ToOleDate(driver.Now());
  int32_t reported = 0;
  for (const protocol::LineThread::Change& change : collected.changes) {
    FillValue(change.tagId, change.dataType, change.quality, change.value, timeStamp,
              values[reported]);
    ++reported;
  }
  *count = reported;
  return true;
}

bool OnDataWrite(int32_t count, TTagValue* values, char** msg) {
  protocol::TDLLObject* driver = Process::Instance().ThreadDriver();
  if (driver == nullptr || count <= 0 || values == nullptr) {
    SetMessage(msg, Text(Msg::DeviceNotInitialised));
    return false;
  }
  // While the line thread runs the line, the driver's part runs there and the tags' types are
  // the copies it took at its start.
  protocol::LineThread* line = driver->Line();
  const auto known = [&](const TTagValue& record) {
    if (line != nullptr) return line->Writable(record.TagID, record.DataType);
    const TTagItem* tag = driver->TagById(record.TagID);
    return tag != nullptr && tag->DataType == record.DataType;
  };
  // The writes, in order, and per answering record its write: a record of an unknown type has
  // none and is refused like a write that failed; only identifiers handed over at
  // initialisation, with their type, reach a tag, and other records give no answer.
  std::vector<protocol::LineThread::Write> writes;
  std::vector<std::optional<size_t>> answerOf;
  for (int32_t i = 0; i < count; ++i) {
    const std::optional<TagValue> value = ValueOf(values[i]);
    if (!value) {
      answerOf.emplace_back();
      continue;
    }
    if (!known(values[i])) continue;
    answerOf.emplace_back(writes.size());
    writes.push_back({values[i].TagID, *value});
  }
  std::vector<bool> answers;
  if (line != nullptr) {
    answers = line->RunWrites(std::move(writes));
  } else {
    for (const protocol::LineThread::Write& write : writes) {
      answers.push_back(driver->WriteExecute(write.tagId, write.value));
    }
  }
  // The answer is the last answering record's.
  bool result = false;
  for (const std::optional<size_t>& write : answerOf) result = write && answers[*write];
  if (line != nullptr) {
    SetMessage(msg, line->TakeMessage());
  } else {
    TakeMessage(*driver, msg);
  }
  return result;
}

bool GetDeviceStatus(char** msg) {
  if (protocol::TDLLObject* driver = Process::Instance().ThreadDriver()) {
    if (protocol::LineThread* line = driver->Line()) {
      SetMessage(msg, line->TakeMessage());
    } else {
      TakeMessage(*driver, msg);
    }
  } else {
    SetMessage(msg, Text(Msg::DeviceNotInitialised));
  }
  return true;
}

void WriteLog(bool enable, char** msg) {
  if (msg != nullptr) *msg = nullptr;
  protocol::TDLLObject* driver = Process::Instance().ThreadDriver();
  if (driver == nullptr) {
    SetMessage(msg, Text(Msg::DeviceNotInitialised));
    return;
  }
  if (protocol::LineThread* line = driver->Line()) {
    std::string message;
    if (line->QueueLogSwitch(enable, message)) SetMessage(msg, message);
    return;
  }
  if (driver->sErrEvent().empty()) return;
  driver->SetEnLog(enable);
  TakeMessage(*driver, msg);
}

uint16_t DetectScanTime() {
  protocol::TDLLObject* driver = Process::Instance().ThreadDriver();
  if (driver == nullptr) return kDefaultScanTime;
  const int32_t scanTime =
      driver->Line() != nullptr ? driver->Line()->ScanTime() : driver->ScanTime();
  return static_cast<uint16_t>(static_cast<uint32_t>(scanTime) & 0xFFFFu);
}

bool FreeDriver() {
  Process& process = Process::Instance();
  if (protocol::TDLLObject* driver = process.ThreadDriver()) {
    process.EndLine(*driver);
    driver->Stop();
  }
  return true;
}

}  // namespace vdinv::host
