#include "protocol/custom_object.h"

#include <algorithm>

#include "common/messages.h"
#include "common/process_values.h"

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
  Destroying();
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

bool TCustomDLLObject::OpenLine(const TDevParmBlock&) {
  // The serial line joins here; until then there is no port to open and nothing to report.
  return true;
}

size_t TCustomDLLObject::LongestCommand() const {
  size_t longest = 0;
  for (const auto& command : CommandList_) longest = std::max(longest, command->TagIndexes.size());
  return longest;
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
    LogLine(Text(Msg::ValidTagTotal) + std::to_string(TagList_.size()));
    LogLine(Text(Msg::FrameTotal) + std::to_string(CommandList_.size()) + Text(Msg::FrameUnit));
    LogLine(Text(Msg::MaxTagsPerFrame) + std::to_string(longest) + Text(Msg::CountUnit));
    TBaseDLLObject::Stop();
    if (CommCreated_) CommCreated_ = false;
  });
}

}  // namespace vdinv::protocol
