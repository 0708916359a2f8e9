#include "ui/device_entries.h"

#include "common/messages.h"
#include "platform/text.h"

namespace vdinv::ui {
namespace {

template <typename NameOf>
std::vector<DeviceNode> Nodes(const TDevParmBlock& pdb, NameOf nameOf) {
  std::vector<DeviceNode> nodes;
  for (int i = 0; i < kDeviceCount; ++i) {
    const TDeviceEntry& e = pdb.Devices[i];
    if (e.Model != kModelNone) nodes.push_back({i, DeviceNodeText(i, nameOf(e))});
  }
  return nodes;
}

}  // namespace

std::vector<std::string> ModelChoices() {
  return {Utf8Text(Msg::ModelG11S), Utf8Text(Msg::ModelP11S)};
}

uint8_t ModelOfPosition(int position) {
  return position == kModelP11S ? kModelP11S : kModelG11S;
}

int PositionOfModel(uint8_t model) {
  return model == kModelG11S || model == kModelP11S ? model : -1;
}

bool DeviceExists(const TDevParmBlock& pdb, int32_t number) {
  return number >= 0 && number < kDeviceCount && pdb.Devices[number].Model != kModelNone;
}

int32_t FirstFreeNumber(const TDevParmBlock& pdb) {
  for (int32_t n = 0; n < kDeviceCount - 1; ++n) {
    if (!DeviceExists(pdb, n)) return n;
  }
  return kDeviceCount - 1;
}

int32_t FirstDeviceNumber(const TDevParmBlock& pdb) {
  for (int32_t n = 0; n < kDeviceCount; ++n) {
    if (DeviceExists(pdb, n)) return n;
  }
  return 0;
}

std::string DeviceNodeText(int number, const std::string& gbkName) {
  return std::to_string(number) + Utf8Text(Msg::UiTreeSeparator) + platform::GbkToUtf8(gbkName);
}

std::vector<DeviceNode> DeviceNodesByEntryName(const TDevParmBlock& pdb) {
  return Nodes(pdb, [](const TDeviceEntry& e) { return e.ModelName.Get(); });
}

std::vector<DeviceNode> DeviceNodesByModel(const TDevParmBlock& pdb) {
  return Nodes(pdb, [](const TDeviceEntry& e) { return ModelNameOf(e.Model); });
}

void PlaceDevice(TDeviceEntry& entry, uint8_t model) {
  entry.Model = model;
  entry.ModelName.Set(ModelNameOf(model));
  entry.DeviceFlag1 = 0;
  entry.DeviceFlag2 = 0;
}

void RemoveDevice(TDeviceEntry& entry) {
  entry.Model = kModelNone;
  entry.ModelName.Set("");
}

}  // namespace vdinv::ui
