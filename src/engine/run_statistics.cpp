#include "engine/run_statistics.h"

#include "common/messages.h"
#include "common/tag_value.h"

namespace vdinv::engine {
namespace {

std::string Rate(double count, double total) {
  return FormatNumber15(total == 0 ? 0.0 : count * 100.0 / total);
}

}  // namespace

void RunStatistics::Restart(double runStartTime) {
  writeFails_ = 0;
  readFails_ = 0;
  readComms_ = 0;
  writeComms_ = 0;
  writeTimeouts_ = 0;
  readTimeouts_ = 0;
  runStartTime_ = runStartTime;
}

std::vector<std::string> RunStatistics::SummaryTexts(uint32_t runTime) const {
  return {
      Text(Msg::ReportRunTime) + std::to_string(runTime),
      Text(Msg::ReportReadFailTotal) + std::to_string(readFails_),
      Text(Msg::ReportWriteFailTotal) + std::to_string(writeFails_),
      Text(Msg::ReportWriteCommTotal) + FormatNumber15(writeComms_),
      Text(Msg::ReportWriteTimeouts) + FormatNumber15(writeTimeouts_),
      Text(Msg::ReportWriteTimeoutRate) + Rate(writeTimeouts_, writeComms_) + "%",
      Text(Msg::ReportReadCommTotal) + FormatNumber15(readComms_),
      Text(Msg::ReportReadTimeouts) + FormatNumber15(readTimeouts_),
      Text(Msg::ReportReadTimeoutRate) + Rate(readTimeouts_, readComms_) + "%",
  };
}

}  // namespace vdinv::engine
