// Life of the engine object: construction, parameters, the start of a run, stopping and
// destruction.
#include "engine/base_object.h"

#include <algorithm>
#include <cstdio>

#include "common/messages.h"
#include "common/process_values.h"
#include "platform/datetime.h"

namespace vdinv::engine {
namespace {
constexpr const char* kClass = "TBaseDLLObject";
}  // namespace

TBaseDLLObject::TBaseDLLObject(const DriverEnvironment& env, bool firstInstance)
    : env_(env),
      log_(env.logPath),
      FirstInstance_(firstInstance),
      Parm_(std::make_unique<TDevParmBlock>()) {
  Guarded(this, kClass, "Create", [&] {
    LogReady_ = Guarded(this, kClass, "Create", false, [&] {
      LogFileMaintenance();
      return WriteStartBanner();
    });
    DevLinkStatus_.fill(0);
    DevFailCount_.fill(-1);
    DevEnabled_.fill(true);
  });
}

TBaseDLLObject::~TBaseDLLObject() {
  Destroying();
}

void TBaseDLLObject::Destroying() {
  if (destroyed_) return;
  destroyed_ = true;
  Guarded(this, kClass, "Destroy", [&] {
    EnLog_ = true;
    LinkOK_ = false;
    CommEnabled_ = true;
    if (!Stopped_) Stop();
    LogFileMaintenance();
  });
}

bool TBaseDLLObject::IniDLLObj(const TDevParmBlock* block, const TagInfoList& tags) {
  return Guarded(this, kClass, "IniDLLObj", false, [&] {
    if (Running_) Stop();
    if (!IniParm(block)) {
      if (!sErrEvent_.empty()) LogLine(Text(Msg::FullColon) + sErrEvent_);
      LogLine(Text(Msg::DeviceLoadFailed));
      return false;
    }
    bool ok = IniTagList(tags);
    if (ok) RunEvent_ = 1;
    return ok;
  });
}

bool TBaseDLLObject::IniParm(const TDevParmBlock* block) {
  return Guarded(this, kClass, "IniParm", false, [&] {
    if (block == nullptr) return false;
    CopyPdb(*block, *Parm_);
    DefaultDevID_ = 99;
    for (int i = 0; i < kDeviceCount; ++i) {
      const TDeviceEntry& entry = Parm_->Devices[i];
      if (entry.Model == kModelNone) continue;
      DefaultDevID_ = std::min(DefaultDevID_, entry.DevNo);
      if (DebugOn()) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", i);
        LogLine(Text(Msg::DevicePresent) + number + Text(Msg::NumberSuffix) +
                DriverModule()[kDevTypeName] + Text(Msg::FullColon) + entry.ModelName.Get());
      }
    }
    ParmLoaded_ = true;
    return true;
  });
}

void TBaseDLLObject::Refresh() {
  Guarded(this, kClass, "Refresh", [&] {
    if (!Running_) return;
    for (CommandPtr& command : CommandList_) FreeCommand(command);
    CommandList_.clear();
    for (auto& tag : TagList_) {
      if (tag->IsInternal || !TypeNeedsReadCommand(tag->TypeIndex)) continue;
      CommandPtr command = CreatCommand(*tag, CommandList_, false);
      if (command) CommandList_.push_back(std::move(command));
    }
    Schedule_.Invalidate();
    WriteFailTotal_ = 0;
    ReadFailTotal_ = 0;
    ReadCommCount_ = 0;
    WriteCommCount_ = 0;
    WriteTimeoutCount_ = 0;
    ReadTimeoutCount_ = 0;
    RunStartTime_ = platform::ToOleDate(Now());
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
    ExecutingWrite_.reset();
    WriteQueue_.clear();
    ResetCommErrTags();
    OptimizeCommParm();
    ScanTime_ = GetInterval();
    EnLog_ = EnLogTag_;
    StartTick_ = Tick();
  });
}

int32_t TBaseDLLObject::GetInterval() {
  return Guarded(this, kClass, "GetInterval", int32_t{-1}, [&] {
    LogLine(Text(Msg::ValidTagCount) + std::to_string(TagList_.size()));
    return int32_t{10};
  });
}

void TBaseDLLObject::Stop() {
  Guarded(this, kClass, "Stop", [&] {
    if (!Running_) return;
    StopTick_ = Tick();
    uint32_t runTime = StopTick_ - StartTick_;
    SetLogMsg("\r\n");
    for (CommandPtr& command : CommandList_) FreeCommand(command);
    WriteRunReport(runTime);
    CommandList_.clear();
    Schedule_.Invalidate();
    TagList_.clear();
    StatusTags_.clear();
    WriteQueue_.clear();
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
    ExecutingWrite_.reset();
    ForgetTouchedTags();
    Stopped_ = true;
    Running_ = false;
  });
}

TTagItem* TBaseDLLObject::TagById(uint32_t tagId) {
  auto it = TagMap_.find(tagId);
  if (it == TagMap_.end()) return nullptr;
  auto position = static_cast<size_t>(it->second);
  if (position >= TagList_.size()) return nullptr;
  TTagItem* tag = TagList_[position].get();
  return tag->TagID == tagId ? tag : nullptr;
}

}  // namespace vdinv::engine
