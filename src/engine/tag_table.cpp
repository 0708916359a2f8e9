// Building the tag table from the host's tags, and the internal status tags.
#include <charconv>
#include <optional>
#include <string_view>

#include "common/messages.h"
#include "common/ole_variant.h"
#include "common/short_string.h"
#include "engine/base_object.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";
constexpr std::string_view kCommLink = "COMMLINK";
constexpr std::string_view kEnCommLink = "ENCOMMLINK";
constexpr std::string_view kDeviceLink = "DEVICELINK";
constexpr std::string_view kEnDeviceLink = "ENDEVICELINK";

constexpr size_t kTagNameBytes = 32;
constexpr size_t kTagAddrBytes = 64;

// A whole text read as a decimal number with an optional sign, or nothing.
std::optional<int32_t> ParseDecimal(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// The device number of a status tag address: 0 when it is not a number or outside 0..99.
int32_t StatusDevice(std::string_view digits) {
  std::optional<int32_t> n = ParseDecimal(digits);
  return (n && *n >= 0 && *n < kDeviceCount) ? *n : 0;
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

void TBaseDLLObject::ParseTagAddress(TTagItem& tag) {
  tag.TypeText.clear();
  tag.TypeIndex = -1;
  tag.DevID = -1;
  tag.Model = kModelNone;
  tag.ChID = -1;
  tag.BitID = -1;
  tag.ThirdSegID = tag.FourSegID = tag.FiveSegID = 0;
  tag.Writable = false;
}

void TBaseDLLObject::CheckAddrValid(std::unique_ptr<TTagItem>& tag) {
  // Without a device protocol no address can be served.
  if (tag) tag.reset();
}

bool TBaseDLLObject::IniTagList(const TagInfoList& tags) {
  std::optional<bool> built = Guarded(this, kClass, "IniTagList", std::optional<bool>(), [&] {
    if (Running_) Stop();
    CommandList_.clear();
    TagList_.clear();
    WriteQueue_.clear();
    Running_ = true;
    Stopped_ = false;
    EnLog_ = true;
    LinkOK_ = false;
    CommEnabled_ = true;
    TagMap_.clear();
    TagMap_.reserve(tags.size() + 1);

    int32_t counter = 0;
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
        CommStatus_ = 0;
        if (tag->DataType == kAnalog) tag->Value = TagValue::Integer(CommStatus_);
        if (tag->DataType == kSwitch) tag->Value = TagValue::Boolean(LinkOK_);
        if (tag->DataType == kString) {
          tag->Value = TagValue::String(DriverModule()[kDeviceName] + StatusText(CommStatus_));
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
        DevLinkStatus_[device] = 0;
        DevFailCount_[device] = -1;
        if (tag->DataType == kAnalog) tag->Value = TagValue::Integer(DevLinkStatus_[device]);
        if (tag->DataType == kSwitch) tag->Value = TagValue::Boolean(LinkOK_);
        if (tag->DataType == kString) {
          tag->Value = TagValue::String(DeviceLabel(device) + StatusText(DevLinkStatus_[device]));
        }
      }
      if (upper.starts_with(kEnDeviceLink)) {
        int32_t device = StatusDevice(upper.substr(kEnDeviceLink.size()));
        tag->DevID = device;
        DevEnabled_[device] = true;
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
      TagMap_[tag->TagID] = counter;
      tag->ListIndex = counter;
      TagList_.push_back(std::move(tag));
      ++counter;
    }

    if (!TagList_.empty()) {
      Refresh();
      TagCount_ = static_cast<int32_t>(TagList_.size());
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
  TagCount_ = static_cast<int32_t>(TagList_.size());
  return false;
}

}  // namespace vdinv::engine
