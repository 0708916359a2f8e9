#include "support/engine_fixture.h"

#include <cstring>

#include "platform/files.h"
#include "platform/text.h"

namespace vdinv::test {

EngineFixture::EngineFixture() : logPath(dir.Path() + "Debug/VD_Inv.Log") {
  hostInfo[kFileDescription] = platform::Utf8ToGbk("监控主机");
  hostInfo[kFileVersion] = "6.0.0.1";
  driverInfo[kDeviceName] = platform::Utf8ToGbk("富士变频器");
  driverInfo[kDevTypeName] = platform::Utf8ToGbk("变频器");
  driverInfo[kDevIDName] = platform::Utf8ToGbk("设备号");
  driverInfo[kChIDName] = platform::Utf8ToGbk("通道地址");
  driverInfo[kFileVersion] = "4.7.1.1";
  // Yesterday's archive exists already, so maintenance keeps the running log in place.
  platform::CreateDirectories(dir.Path() + "Debug");
  platform::CreateEmptyFile(dir.Path() + "Debug/VD_Inv2026-12-06.LOG");
}

std::string EngineFixture::LogText() const {
  auto bytes = platform::ReadWholeFile(logPath);
  return bytes ? platform::GbkToUtf8(*bytes) : std::string();
}

TTagInfo EngineFixture::Tag(uint32_t id, const std::string& name, const std::string& address,
                            uint8_t dataType, uint32_t scanPeriod) {
  TTagInfo info{};
  info.TagID = id;
  std::string gbkName = platform::Utf8ToGbk(name);
  std::string gbkAddress = platform::Utf8ToGbk(address);
  std::memcpy(info.TagName, gbkName.data(), std::min(gbkName.size(), sizeof info.TagName));
  std::memcpy(info.TagAddr, gbkAddress.data(), std::min(gbkAddress.size(), sizeof info.TagAddr));
  info.DataType = dataType;
  info.ScanPeriod = scanPeriod;
  return info;
}

}  // namespace vdinv::test
