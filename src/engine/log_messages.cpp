// The engine's message properties, its log lines, the start banner and the run report.
#include <cmath>
#include <string>

#include "common/messages.h"
#include "engine/base_object.h"
#include "engine/log_banner.h"
#include "platform/datetime.h"
#include "sysinfo/system_information.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";

// count / divisor rounded to the nearest integer; 0 when the divisor is 0 or the quotient is
// negative or undefined.
int64_t RoundedQuotient(double count, double divisor) {
  if (divisor == 0) return 0;
  double q = count / divisor;
  if (!std::isfinite(q) || q < 0) return 0;
  return std::llround(q);
}

std::string Rate(double count, double total) {
  return FormatNumber15(total == 0 ? 0.0 : count * 100.0 / total);
}

}  // namespace

void TBaseDLLObject::WriteCommEvent(const std::string& text) {
  sErrEvent_ = text;
}
void TBaseDLLObject::WriteDevMsg(const std::string& text) {
  DevMsg_ = text;
}
void TBaseDLLObject::SetLogMsg(const std::string& text) {
  log_.Append(text, Now());
}
void TBaseDLLObject::SetEnLog(bool value) {
  EnLog_ = LogReady_ ? value : false;
}
void TBaseDLLObject::SetLinkOK(bool value) {
  LinkOK_ = value;
}
void TBaseDLLObject::SetCommEnabled(bool value) {
  CommEnabled_ = value;
}

std::string TBaseDLLObject::DateTimeText() const {
  return platform::FormatDateTime(Now());
}

void TBaseDLLObject::LogLine(const std::string& text) {
  SetLogMsg(StampedLines(DateTimeText(), text));
}

void TBaseDLLObject::LogException(const char* cls, const char* method) noexcept {
  try {
    if (ErrorLogOn()) {
      LogLine(Text(Msg::FullColon) + cls + "." + method + Text(Msg::ExceptionSuffix));
    }
  } catch (...) {
    // Nothing more can be done about a log that fails while reporting a failure.
  }
}

void TBaseDLLObject::LogFileMaintenance() {
  Guarded(this, kClass, "LogFileMaintenance", [&] {
    LineEnd_ = "\r\n";
    log_.Maintain(Now());
  });
}

bool TBaseDLLObject::WriteStartBanner() {
  sysinfo::TXSystemInformation system;
  for (const std::string& text : StartBannerTexts(HostModule(), DriverModule(), system)) {
    LogLine(text);
  }
  return true;
}

void TBaseDLLObject::WriteRunReport(uint32_t runTime) {
  SetLogMsg("\r\n");
  for (const auto& tag : TagList_) {
    std::string line =
        Text(Msg::ReportTag) + tag->TagName + Text(Msg::ReportAddress) + tag->TagAddr +
        Text(Msg::ReportScanPeriod) + std::to_string(RoundedQuotient(runTime, tag->ReadCount)) +
        Text(Msg::ReportReadFailRate) +
        std::to_string(RoundedQuotient(tag->ReadFailCount * 100.0, tag->ReadCount)) + "%";
    if (tag->Writable) {
      line += Text(Msg::ReportWriteTotal) + std::to_string(tag->WriteCount) +
              Text(Msg::ReportWriteFailRate) +
              std::to_string(RoundedQuotient(tag->WriteFailCount * 100.0, tag->WriteCount)) + "%";
    }
    LogLine(line);
  }
  sysinfo::TXSystemInformation system;
  for (const std::string& text : MemoryTexts(system.Memory())) LogLine(text);
  SetLogMsg("\r\n");
  LogLine(Text(Msg::ReportRunTime) + std::to_string(runTime));
  LogLine(Text(Msg::ReportReadFailTotal) + std::to_string(ReadFailTotal_));
  LogLine(Text(Msg::ReportWriteFailTotal) + std::to_string(WriteFailTotal_));
  LogLine(Text(Msg::ReportWriteCommTotal) + FormatNumber15(WriteCommCount_));
  LogLine(Text(Msg::ReportWriteTimeouts) + FormatNumber15(WriteTimeoutCount_));
  LogLine(Text(Msg::ReportWriteTimeoutRate) + Rate(WriteTimeoutCount_, WriteCommCount_) + "%");
  LogLine(Text(Msg::ReportReadCommTotal) + FormatNumber15(ReadCommCount_));
  LogLine(Text(Msg::ReportReadTimeouts) + FormatNumber15(ReadTimeoutCount_));
  LogLine(Text(Msg::ReportReadTimeoutRate) + Rate(ReadTimeoutCount_, ReadCommCount_) + "%");
  LogLine(Text(Msg::Starting) + HostModule()[kFileDescription] + Text(Msg::FileVersionOpen) +
          HostModule()[kFileVersion] + Text(Msg::BannerEllipsis));
  LogLine(Text(Msg::FullColon) + DriverModule()[kDeviceName] + Text(Msg::ReportDriverVersion) +
          DriverModule()[kFileVersion] + Text(Msg::ReportExit));
  SetLogMsg(std::string(60, '-') + "\r\n");
}

std::string TBaseDLLObject::StatusText(int32_t code) const {
  switch (code) {
    case 0:
      return Text(CommEnabled_ ? Msg::StatusNeverAnswered : Msg::StatusPaused);
    case 1:
      return Text(Msg::StatusNormal);
    case 2:
      return Text(Msg::StatusInterference);
    case 3:
      return Text(Msg::StatusFault);
    case 4:
      return Text(Msg::StatusBroken);
    case 5:
      return Text(Msg::StatusPaused);
    default:
      return {};
  }
}

std::string TBaseDLLObject::DeviceLabel(int32_t devId) const {
  std::string label =
      std::to_string(devId) + Text(Msg::NumberSuffix) + DriverModule()[kDevTypeName];
  if (ValidDevice(devId)) label += Parm_->Devices[devId].ModelName.Get();
  return label;
}

}  // namespace vdinv::engine
