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
    if (ok) RunEvent_ = kEvInit;
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
    for (const auto& tag : tags_.All()) {
      if (tag->IsInternal || !TypeNeedsReadCommand(tag->TypeIndex)) continue;
      CommandPtr command = CreatCommand(*tag, CommandList_, false);
      if (command) CommandList_.push_back(std::move(command));
    }
    Schedule_.Invalidate();
    stats_.Restart(platform::ToOleDate(Now()));
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
    writes_.Clear();
    ResetCommErrTags();
    OptimizeCommParm();
    ScanTime_ = GetInterval();
    EnLog_ = EnLogTag_;
    stats_.SetStartTick(Tick());
  });
}

int32_t TBaseDLLObject::GetInterval() {
  return Guarded(this, kClass, "GetInterval", int32_t{-1}, [&] {
    LogLine(Text(Msg::ValidTagCount) + std::to_string(tags_.Size()));
    return int32_t{10};
  });
}

void TBaseDLLObject::Stop() {
  Guarded(this, kClass, "Stop", [&] {
    if (!Running_) return;
    const uint32_t runTime = stats_.RunTime(Tick());
    SetLogMsg("\r\n");
    for (CommandPtr& command : CommandList_) FreeCommand(command);
    WriteRunReport(runTime);
    CommandList_.clear();
    Schedule_.Invalidate();
    tags_.Clear();
    writes_.Clear();
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
    Stopped_ = true;
    Running_ = false;
  });
}

TTagItem* TBaseDLLObject::TagById(uint32_t tagId) {
  return tags_.ById(tagId);
}

}  // namespace vdinv::engine
