// Building the tag table from the host's tags, and the internal status tags.
#include <optional>
#include <string>
#include <string_view>

#include "common/device_types.h"
#include "common/messages.h"
#include "common/ole_variant.h"
#include "common/short_string.h"
#include "engine/base_object.h"
#include "engine/run_codes.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";

constexpr size_t kTagNameBytes = 32;
constexpr size_t kTagAddrBytes = 64;

// The device number of a status tag address: 0 when it is not a number or outside 0..99.
int32_t StatusDevice(std::string_view digits) {
  int32_t n = 0;
  bool number = TBaseDLLObject::AddressNumber(std::string(digits), n);
  return (number && n >= 0 && n < kDeviceCount) ? n : 0;
}

}  // namespace

std::unique_ptr<TTagItem> TBaseDLLObject::CreatInternalTag(const TTagInfo& info) {
  return Guarded(this, kClass, "CreatInternalTag", std::unique_ptr<TTagItem>(), [&] {
    auto tag = std::make_unique<TTagItem>();
    tag->TagID = info.TagID;
    tag->Quality = 0;
    tag->ReportedQuality = 0;
    tag->TagName = GbkPrefix(FieldText(info.TagName, sizeof info.TagName), kTagNameBytes);
    tag->TagAddr = GbkPrefix(FieldText(info.TagAddr, sizeof info.TagAddr), kTagAddrBytes);
    tag->DataType = info.DataType;
    tag->ScanPeriod = info.ScanPeriod;
    tag->IsInternal = false;
    tag->LastReportTick = Tick();
    ParseTagAddress(*tag);
    tag->WriteNumber = 0;
    if (info.InitValue.vt != 0) {
      tag->Value = DecodeOleVariant(info.InitValue);
    } else if (tag->DataType == kAnalog) {
      tag->Value = TagValue::Integer(0);
      tag->BitID = 1;
    } else if (tag->DataType == kSwitch) {
      tag->Value = TagValue::Boolean(false);
    } else if (tag->DataType == kString) {
      tag->Value = TagValue::String({});
      tag->BitID = 1;
    }
    tag->ReportedValue = tag->Value;
    tag->SavedValue = tag->Value;
    return tag;
  });
}

// A step of CreatInternalTag: a failure here drops the record there. Each parser guards
// itself, so one illegal part leaves the others parsed.
void TBaseDLLObject::ParseTagAddress(TTagItem& tag) {
  GetTagTypeStr(tag.TagName, tag.TagAddr, tag.TypeText);
  tag.TypeIndex = GetTagTypeIndex(tag.TagName, tag.TagAddr);
  tag.DevID = GetDevID(tag.TagName, tag.TagAddr);
  tag.Model = tag.DevID == -1 ? uint8_t{kModelNone} : ModelOf(*Parm_, tag.DevID);
  tag.ChID = GetChID(tag.TagName, tag.TagAddr, tag.Model);
  tag.BitID = GetBitID(tag.TagName, tag.TagAddr, tag.Model);
  tag.ThirdSegID = GetThirdSegID(tag.TagName, tag.TagAddr, tag.Model);
  tag.FourSegID = GetFourSegID(tag.TagName, tag.TagAddr, tag.Model);
  tag.FiveSegID = GetFiveSegID(tag.TagName, tag.TagAddr, tag.Model);
  tag.ReadCount = tag.ReadFailCount = tag.WriteCount = tag.WriteFailCount = 0;
  tag.Writable = TypeWritable(tag.TypeIndex);
}

void TBaseDLLObject::StartTables() {
  CommandList_.clear();
  Schedule_.Invalidate();
  tags_.Clear();
  writes_.Commands().clear();
  Running_ = true;
  Stopped_ = false;
  EnLog_ = true;
  LinkOK_ = false;
  CommEnabled_ = true;
}

bool TBaseDLLObject::IniTagList(const TagInfoList& tags) {
  std::optional<bool> built = Guarded(this, kClass, "IniTagList", std::optional<bool>(), [&] {
    if (Running_) Stop();
    StartTables();
    tags_.Reserve(tags.size() + 1);

    for (const TTagInfo* info : tags) {
      if (info == nullptr) continue;
      std::unique_ptr<TTagItem> tag = CreatInternalTag(*info);
      if (!tag) continue;
      const std::string address = GbkUpper(tag->TagAddr);
      std::string_view upper(address);
      if (upper.starts_with(kCommLink)) {
        LinkOK_ = false;
        tag->IsInternal = true;
        tag->Writable = false;
        links_.ResetLine();
        if (tag->DataType == kAnalog) tag->Value = TagValue::Integer(CommStatus());
        if (tag->DataType == kSwitch) tag->Value = TagValue::Boolean(LinkOK_);
        if (tag->DataType == kString) {
          tag->Value = TagValue::String(DriverModule()[kDeviceName] + StatusText(CommStatus()));
        }
      }
      if (upper.starts_with(kEnCommLink)) {
        CommEnabled_ = true;
        tag->IsInternal = true;
        if (tag->DataType == kAnalog) tag->Value = TagValue::Integer(CommEnabled_ ? 1 : 0);
        if (tag->DataType == kSwitch) tag->Value = TagValue::Boolean(CommEnabled_);
        if (tag->DataType == kString) {
          tag->Value = TagValue::String(DriverModule()[kDeviceName] +
                                        Text(CommEnabled_ ? Msg::LineOpened : Msg::LineClosed));
        }
      }
      if (upper.starts_with(kDeviceLink)) {
        tag->IsInternal = true;
        tag->Writable = false;
        std::string_view rest = upper.substr(kDeviceLink.size());
        size_t end = rest.find(':');
        if (end == std::string_view::npos) end = rest.find(Text(Msg::FullColon));
        int32_t device = StatusDevice(rest.substr(0, end));
        tag->DevID = device;
        links_.ResetDevice(device);
        if (tag->DataType == kAnalog) tag->Value = TagValue::Integer(DevLinkStatus(device));
        if (tag->DataType == kSwitch) tag->Value = TagValue::Boolean(LinkOK_);
        if (tag->DataType == kString) {
          tag->Value = TagValue::String(DeviceLabel(device) + StatusText(DevLinkStatus(device)));
        }
      }
      if (upper.starts_with(kEnDeviceLink)) {
        int32_t device = StatusDevice(upper.substr(kEnDeviceLink.size()));
        tag->DevID = device;
        links_.SetEnabled(device, true);
        tag->IsInternal = true;
      }
      if (tag->IsInternal) {
        tag->TypeText = address;
      } else {
        CheckAddrValid(tag);
        if (!tag) continue;
      }
      // The reported value stays the one of creation, so that a status tag whose value the
      // table build changed is reported at the first poll.
      AddToTable(std::move(tag));
    }

    if (!tags_.Empty()) {
      Refresh();
      TagCount_ = static_cast<int32_t>(tags_.Size());
      return true;
    }
    Stop();
    LogLine(Text(Msg::FullColon) + Text(Msg::NoValidTag));
    WriteCommEvent(Text(Msg::NoValidTag) + "\r\n");
    TagCount_ = 0;
    return false;
  });
  if (built) return *built;
  Stop();
  TagCount_ = static_cast<int32_t>(tags_.Size());
  return false;
}

int32_t TBaseDLLObject::AddTagLists(const TagInfoList& tags, std::vector<int32_t>& results) {
  std::optional<int32_t> dropped =
      Guarded(this, kClass, "AddTagLists", std::optional<int32_t>(), [&] {
        if (!Running_) StartTables();
        tags_.Reserve(tags.size() + 1);
        results.assign(tags.size(), 1);
        int32_t any = 0;
        for (size_t i = 0; i < tags.size(); ++i) {
          std::unique_ptr<TTagItem> tag = tags[i] ? CreatInternalTag(*tags[i]) : nullptr;
          if (tag) {
            const std::string address = GbkUpper(tag->TagAddr);
            std::string_view upper(address);
            if (upper.starts_with(kEnLog)) {
              EnLog_ = true;
              EnLogTag_ = true;
              tag->IsInternal = true;
            }
            if (upper.starts_with(kCommLink)) {
              LinkOK_ = false;
              tag->IsInternal = true;
            }
            if (upper.starts_with(kEnCommLink)) {
              CommEnabled_ = true;
              tag->IsInternal = true;
            }
            if (tag->IsInternal) {
              tag->TypeText = address;
            } else {
              CheckAddrValid(tag);
            }
          }
          if (!tag) {
            any = 1;
            continue;
          }
          AddToTable(std::move(tag));
          results[i] = 0;
        }
        if (!tags_.Empty()) {
          Refresh();
        } else {
          Stop();
        }
        TagCount_ = static_cast<int32_t>(tags_.Size());
        return any;
      });
  if (dropped) return *dropped;
  Stop();
  TagCount_ = static_cast<int32_t>(tags_.Size());
  return -1;
}

void TBaseDLLObject::AddToTable(std::unique_ptr<TTagItem> tag) {
  const bool statusTag = tag->IsInternal || tag->TypeIndex == kTypeCommErr;
  TouchTag(tags_.Append(std::move(tag), statusTag));
}

bool TBaseDLLObject::CheckTagAddr(const TDevParmBlock* block, std::string& address) {
  return Guarded(this, kClass, "CheckTagAddr", false, [&] {
    if (block == nullptr) return false;
    const std::string name;
    const bool found = GetTagTypeIndex(name, address) != -1;
    std::string typeText;
    GetTagTypeStr(name, address, typeText);
    const int32_t device = GetDevID(name, address);
    const uint8_t model = ModelOf(*block, device);
    const int32_t channel = GetChID(name, address, model);
    const int32_t bit = GetBitID(name, address, model);
    if (!found) typeText = std::string(kTypePrefix[0]);
    address = typeText + std::to_string(device) + ":" + std::to_string(channel) + "." +
              std::to_string(bit);
    return found;
  });
}

bool TBaseDLLObject::ValidTagValFrm(int32_t first, int32_t second) {
  return Guarded(this, kClass, "ValidTagValFrm", false, [&] {
    if (second == 0) return first == 2;
    if (second == 1 || second == 2) return first >= 0 && first <= 2;
    return false;
  });
}

}  // namespace vdinv::engine
