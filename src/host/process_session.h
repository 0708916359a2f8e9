// The session of the loaded library: the process's thread slot and the export bodies.
#pragma once

#include "host/driver_session.h"

namespace vdinv::host {

class ProcessSession : public DriverSession {
 public:
  bool Start(void* block, TTagInfo& tag, std::string& message) override;
  bool Running() const override;
  void Release() override;
  void Stop() override;
  bool PortOpen() const override;
  int32_t ScanTime() const override;
  void Poll() override;
  bool Write(uint32_t tagId, const TagValue& value) override;
  bool SendRaw(const std::string& frame) override;
  std::string TakeEvent() override;
  std::vector<TTagItem> Tags() const override;
  std::vector<std::string> Requests() const override;
  std::optional<Exchange> Current() const override;
  std::string LastReply() const override;
  std::string CheckAddress(void* block, const std::string& address) override;
  std::string LogPath() const override;
};

}  // namespace vdinv::host
