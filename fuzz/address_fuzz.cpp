// Fuzzes the tag address parsers and the address check with arbitrary tag names and address
// fields (any bytes, with or without a terminating zero) and arbitrary typed addresses.
//
// Input: byte 0 gives the data type and the name length (0..36); then the name bytes, then up
// to 64 address bytes (a shorter address is zero-terminated, a full one is not). The whole
// input after byte 0 is also typed into the address normaliser.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "common/device_types.h"
#include "common/module_info.h"
#include "common/parameter_block.h"
#include "common/records.h"
#include "common/short_string.h"
#include "engine/base_object.h"
#include "engine/driver_environment.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "support/quiet_serial_device.h"

namespace {

using vdinv::TDevParmBlock;
using vdinv::TModuleInfo;
using vdinv::TTagInfo;
using vdinv::TTagItem;
using vdinv::engine::TBaseDLLObject;

// A clock that stands still, so the log is never moved aside while the fuzzer runs.
class StillClock : public vdinv::platform::IClock {
 public:
  uint32_t TickCount() const override { return 1000; }
  vdinv::platform::LocalDateTime Now() const override { return {2026, 12, 7, 7, 26, 50, 0}; }
};

struct Harness {
  std::filesystem::path dir;
  std::string logPath;
  TModuleInfo host;
  TModuleInfo driver;
  StillClock clock;
  TDevParmBlock block{};
  std::unique_ptr<TBaseDLLObject> object;
  uint64_t runs = 0;

  Harness() {
    dir = std::filesystem::temp_directory_path() /
          ("vdinv-fuzz-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir / "Debug");
    logPath = (dir / "Debug" / "VD_Inv.Log").string();
    auto gbk = [](const char* utf8) { return vdinv::platform::Utf8ToGbk(utf8); };
    driver[vdinv::kDeviceName] = gbk("富士变频器");
    driver[vdinv::kDevTypeName] = gbk("变频器");
    driver[vdinv::kDevIDName] = gbk("设备号");
    driver[vdinv::kChIDName] = gbk("通道地址");
    driver[vdinv::kBitIDName] = gbk("位号");
    driver[vdinv::kThirdSegIDName] = gbk("第三段");
    driver[vdinv::kFourSegIDName] = gbk("第四段地址");
    driver[vdinv::kFiveSegIDName] = gbk("第五段地址");

    vdinv::FillDefaults(block, 1000, 2);
    for (auto& device : block.Devices) device.Model = vdinv::kModelNone;
    for (auto [number, model] : {std::pair<int, uint8_t>{0, vdinv::kModelG11S},
                                 {1, vdinv::kModelP11S},
                                 {5, vdinv::kModelG11S},
                                 {99, vdinv::kModelP11S}}) {
      block.Devices[number].Model = model;
      block.Devices[number].ModelName.Set(vdinv::ModelNameOf(model));
    }
    block.Devices[7].Model = 9;  // not a model code
    block.EnDebug = block.EnErrorLog = block.EnTraceLog = 1;

    object = std::make_unique<TBaseDLLObject>(
        vdinv::engine::DriverEnvironment{&host, &driver, logPath, &clock,
                                         vdinv::test::QuietSerialDevice::Factory()},
        true);
    if (!object->IniParm(&block)) std::abort();
    std::atexit([] { std::filesystem::remove_all(Instance().dir); });
  }

  static Harness& Instance() {
    // Never destroyed: the object outlives every input.
    static Harness* harness = new Harness();
    return *harness;
  }

  // Keeps the log from growing without bound.
  void TrimLog() {
    if (++runs % 256 == 0) {
      std::error_code ec;
      std::filesystem::remove(logPath, ec);
    }
  }
};

void Check(bool condition) {
  if (!condition) std::abort();
}

// What holds for every record the parsers filled.
void CheckRecord(const TTagItem& tag) {
  Check(tag.TagName.size() <= 32 && tag.TagAddr.size() <= 64);
  Check(tag.Model <= vdinv::kModelNone);
  if (tag.DevID < 0 || tag.DevID >= vdinv::kDeviceCount) Check(tag.Model == vdinv::kModelNone);
  Check(tag.TypeIndex >= -1 && tag.TypeIndex < vdinv::kTypeCount);
  if (tag.TypeIndex == -1) {
    Check(tag.TypeText.empty() && !tag.Writable);
  } else {
    Check(tag.TypeText == vdinv::GbkUpper(vdinv::kTypePrefix[tag.TypeIndex]));
  }
}

// What holds for a record the address check kept.
void CheckKept(const TTagItem& tag) {
  Check(vdinv::ValidType(tag.TypeIndex));
  Check(tag.Model == vdinv::kModelG11S || tag.Model == vdinv::kModelP11S);
  Check(tag.DevID >= 0 && tag.DevID < vdinv::kDeviceCount);
  int32_t chMin = vdinv::ChMin(tag.Model, tag.TypeIndex);
  if (chMin != -1) Check(tag.ChID >= chMin && tag.ChID <= vdinv::ChMax(tag.Model, tag.TypeIndex));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Harness& h = Harness::Instance();
  if (size == 0) return 0;
  h.TrimLog();
  const auto* bytes = reinterpret_cast<const char*>(data + 1);
  const size_t length = size - 1;

  TTagInfo info{};
  info.TagID = 1;
  info.DataType = static_cast<uint8_t>(data[0] % 3);
  const size_t nameBytes =
      std::min({static_cast<size_t>((data[0] >> 2) % 37), length, sizeof info.TagName});
  std::memcpy(info.TagName, bytes, nameBytes);
  const size_t addrBytes = std::min(length - nameBytes, sizeof info.TagAddr);
  std::memcpy(info.TagAddr, bytes + nameBytes, addrBytes);

  std::unique_ptr<TTagItem> tag = h.object->CreatInternalTag(info);
  Check(tag != nullptr);
  CheckRecord(*tag);
  h.object->CheckAddrValid(tag);
  if (tag) CheckKept(*tag);

  // The normaliser on the whole input: its normal form is its own normal form.
  std::string typed(bytes, length);
  h.object->CheckTagAddr(&h.block, typed);
  std::string again = typed;
  Check(h.object->CheckTagAddr(&h.block, again));
  Check(again == typed);
  return 0;
}
