// The engine's message properties, its log lines, the start banner and the run report.
#include <string>

#include "common/messages.h"
#include "engine/base_object.h"
#include "engine/log_banner.h"
#include "platform/datetime.h"
#include "sysinfo/system_information.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";

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
  return platform::SystemDateTimeText(Now());
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
  for (const std::string& text :
       StartBannerTexts(HostModule(), DriverModule(), system, env_.lineThread)) {
    LogLine(text);
  }
  return true;
}

void TBaseDLLObject::WriteRunReport(uint32_t runTime) {
  // The report is appended as one text: a line per tag, thousands on a large line, would
  // otherwise open and close the log thousands of times as the driver is freed.
  const std::string stamp = DateTimeText();
  std::string report = "\r\n";
  for (const std::string& line : tags_.ReportTexts(runTime)) report += StampedLines(stamp, line);
  sysinfo::TXSystemInformation system;
  for (const std::string& text : MemoryTexts(system.Memory())) report += StampedLines(stamp, text);
  report += "\r\n";
  for (const std::string& line : stats_.SummaryTexts(runTime)) report += StampedLines(stamp, line);
  report += StampedLines(stamp, Text(Msg::Starting) + HostModule()[kFileDescription] +
                                    Text(Msg::FileVersionOpen) + HostModule()[kFileVersion] +
                                    Text(Msg::BannerEllipsis));
  report += StampedLines(stamp, Text(Msg::FullColon) + DriverModule()[kDeviceName] +
                                    Text(Msg::ReportDriverVersion) + DriverModule()[kFileVersion] +
                                    Text(Msg::ReportExit));
  report += std::string(60, '-') + "\r\n";
  SetLogMsg(report);
}

std::string TBaseDLLObject::StatusText(int32_t code) const {
  return LinkStatusText(code, CommEnabled_);
}

std::string TBaseDLLObject::DeviceLabel(int32_t devId) const {
  std::string label =
      std::to_string(devId) + Text(Msg::NumberSuffix) + DriverModule()[kDevTypeName];
  if (ValidDevice(devId)) label += Parm_->Devices[devId].ModelName.Get();
  return label;
}

}  // namespace vdinv::engine
