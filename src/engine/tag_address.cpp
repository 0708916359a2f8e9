// Tag addresses: the type of an address, its device number, channel address, bit number and
// further segments, and the check that decides whether a tag can be served.
//
// An address reads prefix, device number, colon, channel, then up to four dot-separated
// numbers ("F1:5", "f1：5", "F1:5.0.7.8.9"). A full-width colon or dot counts like an ASCII
// one and is skipped as its two bytes; a lone first byte of one is an ordinary byte.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "common/device_types.h"
#include "common/messages.h"
#include "common/number_text.h"
#include "common/short_string.h"
#include "engine/base_object.h"

namespace vdinv::engine {
namespace {

constexpr const char* kClass = "TBaseDLLObject";
// The parsers work on at most this many bytes of an address.
constexpr size_t kWorkingBytes = 255;

struct Separator {
  size_t pos;
  size_t width;
};

// The earlier of the ASCII separator and its full-width form, or nothing.
std::optional<Separator> FindFirst(std::string_view text, char ascii, Msg fullWidth) {
  const std::string& full = Text(fullWidth);
  size_t a = text.find(ascii);
  size_t f = text.find(full);
  if (a == std::string_view::npos && f == std::string_view::npos) return std::nullopt;
  if (f < a) return Separator{f, full.size()};
  return Separator{a, 1};
}

std::optional<Separator> FirstColon(std::string_view text) {
  return FindFirst(text, ':', Msg::FullColon);
}
std::optional<Separator> FirstDot(std::string_view text) {
  return FindFirst(text, '.', Msg::FullDot);
}

// The address cut to the working length, without its type prefix.
std::string_view WorkingText(std::string_view address, int32_t typeIndex) {
  std::string_view text = GbkPrefix(address, kWorkingBytes);
  text.remove_prefix(std::min(text.size(), kTypePrefix[typeIndex].size()));
  return text;
}

// The start of every address message: date and time, "：标签" and the tag name.
std::string MessagePrefix(const TBaseDLLObject& object, const std::string& name) {
  return object.DateTimeText() + Text(Msg::AddrTag) + name;
}

// "...提示：地址=<address>中缺少<word>，系统采用缺省值<default>"
std::string MissingHint(const TBaseDLLObject& object, const std::string& name,
                        const std::string& address, ModuleField word, int32_t fallback) {
  return MessagePrefix(object, name) + Text(Msg::AddrHint) + address + Text(Msg::AddrMissing) +
         object.DriverModule()[word] + Text(Msg::AddrDefault) + std::to_string(fallback) + "\r\n";
}

// "...错误：标签地址<address>中|的<word>非法。"
std::string IllegalError(const TBaseDLLObject& object, const std::string& name,
                         const std::string& address, Msg joiner, ModuleField word) {
  return MessagePrefix(object, name) + Text(Msg::AddrError) + address + Text(joiner) +
         object.DriverModule()[word] + Text(Msg::AddrIllegal) + "\r\n";
}

void Hint(TBaseDLLObject& object, const std::string& text) {
  if (object.Parm().EnTraceLog != 0) object.SetLogMsg(text);
}
void Error(TBaseDLLObject& object, const std::string& text) {
  if (object.Parm().EnErrorLog != 0) object.SetLogMsg(text);
}

// The third, fourth or fifth segment: the piece after `skips` dots. A missing segment gives
// 0, one that is not a number -1 with its error.
int32_t Segment(TBaseDLLObject& object, const std::string& name, const std::string& address,
                uint8_t model, int skips, ModuleField word) {
  if (model == kModelNone) return -1;
  int32_t type = object.GetTagTypeIndex(name, address);
  if (type < 0) return -1;
  std::string_view text = WorkingText(address, type);
  for (int i = 1; i <= skips; ++i) {
    std::optional<Separator> dot = FirstDot(text);
    if (!dot) {
      if (i == skips) return 0;
      continue;
    }
    text.remove_prefix(dot->pos + dot->width);
  }
  if (std::optional<Separator> dot = FirstDot(text)) {
    text = text.substr(0, dot->pos);
  } else if (text.empty()) {
    return 0;
  }
  int32_t value = 0;
  if (TBaseDLLObject::AddressNumber(std::string(text), value)) return value;
  Error(object, IllegalError(object, name, address, Msg::AddrOf, word));
  return -1;
}

}  // namespace

bool TBaseDLLObject::AddressNumber(const std::string& text, int32_t& value) {
  std::string_view digits(text);
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return false;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
    if (n > kLimit) return false;
  }
  if (negative) n = -n;
  if (n > std::numeric_limits<int32_t>::max()) return false;
  value = static_cast<int32_t>(n);
  return true;
}

uint8_t TBaseDLLObject::ModelOf(const TDevParmBlock& block, int32_t devId) {
  if (devId < 0 || devId >= kDeviceCount) return kModelNone;
  uint8_t model = block.Devices[devId].Model;
  return (model == kModelG11S || model == kModelP11S) ? model : uint8_t{kModelNone};
}

int32_t TBaseDLLObject::GetTagTypeIndex(const std::string& /*name*/, const std::string& address) {
  return Guarded(this, kClass, "GetTagTypeIndex", int32_t{-1}, [&] {
    const std::string upper = GbkUpper(address);
    int32_t kept = -1;
    size_t keptLength = 0;
    for (int32_t row = 0; row < kTypeCount; ++row) {
      const std::string prefix = GbkUpper(kTypePrefix[row]);
      if (prefix.empty() || !upper.starts_with(prefix)) continue;
      if (kept == -1 || prefix.size() > keptLength) {
        kept = row;
        keptLength = prefix.size();
      }
    }
    return kept;
  });
}

void TBaseDLLObject::GetTagTypeStr(const std::string& name, const std::string& address,
                                   std::string& text) {
  Guarded(this, kClass, "GetTagTypeStr", [&] {
    int32_t row = GetTagTypeIndex(name, address);
    text = row < 0 ? std::string() : GbkUpper(kTypePrefix[row]);
  });
}

int32_t TBaseDLLObject::GetDevID(const std::string& name, const std::string& address) {
  return Guarded(this, kClass, "GetDevID", int32_t{-1}, [&] {
    int32_t type = GetTagTypeIndex(name, address);
    if (type < 0) return int32_t{-1};
    std::string_view text = WorkingText(address, type);
    const int32_t fallback = DefaultDevID_;
    // The ASCII colon is preferred wherever it stands.
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) colon = text.find(Text(Msg::FullColon));
    if (colon == std::string_view::npos) {
      Hint(*this, MissingHint(*this, name, address, kDevIDName, fallback));
      return fallback;
    }
    int32_t value = 0;
    if (AddressNumber(std::string(text.substr(0, colon)), value)) return value;
    Error(*this, IllegalError(*this, name, address, Msg::AddrIn, kDevIDName));
    return int32_t{-1};
  });
}

int32_t TBaseDLLObject::GetChID(const std::string& name, const std::string& address,
                                uint8_t model) {
  return Guarded(this, kClass, "GetChID", int32_t{-1}, [&] {
    if (model == kModelNone) return int32_t{-1};
    int32_t type = GetTagTypeIndex(name, address);
    if (type < 0) return int32_t{-1};
    std::string_view text = WorkingText(address, type);
    const int32_t fallback = ChMin(model, type);
    if (fallback == -1) return int32_t{-1};  // the type has no channel
    if (std::optional<Separator> colon = FirstColon(text)) {
      text.remove_prefix(colon->pos + colon->width);
    }
    if (std::optional<Separator> dot = FirstDot(text)) {
      text = text.substr(0, dot->pos);
    } else if (text.empty()) {
      Hint(*this, MissingHint(*this, name, address, kChIDName, fallback));
      return fallback;
    }
    int32_t value = 0;
    if (AddressNumber(std::string(text), value)) return value;
    Error(*this, IllegalError(*this, name, address, Msg::AddrOf, kChIDName));
    return int32_t{-1};
  });
}

int32_t TBaseDLLObject::GetBitID(const std::string& name, const std::string& address,
                                 uint8_t model) {
  return Guarded(this, kClass, "GetBitID", int32_t{-1}, [&] {
    if (model == kModelNone) return int32_t{-1};
    int32_t type = GetTagTypeIndex(name, address);
    if (type < 0) return int32_t{-1};
    std::string_view text = WorkingText(address, type);
    const int32_t fallback = kBitMin[type];
    if (fallback == -1) return int32_t{-1};  // the type has no bit
    std::optional<Separator> dot = FirstDot(text);
    if (!dot) {
      Hint(*this, MissingHint(*this, name, address, kBitIDName, fallback));
      return fallback;
    }
    text.remove_prefix(dot->pos + dot->width);
    if (std::optional<Separator> next = FirstDot(text)) {
      text = text.substr(0, next->pos);
    } else if (text.empty()) {
      Hint(*this, MissingHint(*this, name, address, kBitIDName, fallback));
      return fallback;
    }
    int32_t value = 0;
    if (AddressNumber(std::string(text), value)) return value;
    Error(*this, IllegalError(*this, name, address, Msg::AddrOf, kBitIDName));
    return int32_t{-1};
  });
}

int32_t TBaseDLLObject::GetThirdSegID(const std::string& name, const std::string& address,
                                      uint8_t model) {
  return Guarded(this, kClass, "GetThirdSegID", int32_t{-1},
                 [&] { return Segment(*this, name, address, model, 2, kThirdSegIDName); });
}

int32_t TBaseDLLObject::GetFourSegID(const std::string& name, const std::string& address,
                                     uint8_t model) {
  return Guarded(this, kClass, "GetFourSegID", int32_t{-1},
                 [&] { return Segment(*this, name, address, model, 3, kFourSegIDName); });
}

int32_t TBaseDLLObject::GetFiveSegID(const std::string& name, const std::string& address,
                                     uint8_t model) {
  return Guarded(this, kClass, "GetFiveSegID", int32_t{-1},
                 [&] { return Segment(*this, name, address, model, 4, kFiveSegIDName); });
}

void TBaseDLLObject::CheckAddrValid(std::unique_ptr<TTagItem>& tag) {
  Guarded(this, kClass, "CheckAddrValid", [&] {
    if (!tag) return;
    const TTagItem& t = *tag;
    const std::string prefix = MessagePrefix(*this, t.TagName);
    const std::string head = prefix + Text(Msg::AddrError) + t.TagAddr;
    const std::string& devType = DriverModule()[kDevTypeName];
    const std::string& chWord = DriverModule()[kChIDName];
    const std::string modelName =
        ValidDevice(t.DevID) ? Parm_->Devices[t.DevID].ModelName.Get() : std::string();
    const bool validType = ValidType(t.TypeIndex);
    const int32_t chMin = ChMin(t.Model, t.TypeIndex);
    const int32_t chMax = ChMax(t.Model, t.TypeIndex);
    const int32_t bitMin = validType ? kBitMin[t.TypeIndex] : -1;
    const int32_t bitMax = validType ? kBitMax[t.TypeIndex] : -1;

    std::string message;
    if (!validType) {
      message = head + Text(Msg::AddrNoType);
    } else if (t.Model != kModelG11S && t.Model != kModelP11S) {
      message = head + Text(Msg::AddrDevice) + DecimalText(t.DevID, 4) + Text(Msg::NumberSuffix) +
                devType + Text(Msg::AddrNoDevice) + Text(Msg::AddrAddDevice) + devType +
                Text(Msg::AddrDeviceEnd) + "\r\n";
    } else if (t.ChID == -1 && chMin != -1) {
      message = head + chWord + Text(Msg::AddrWrong) + modelName + Text(Msg::AddrNoSuchTag);
    } else if (t.BitID == -1 && bitMin != -1) {
      message = head + Text(Msg::AddrBitWrong) + modelName + Text(Msg::AddrNoSuchTag);
    } else {
      // Every range test runs; the last one that fails stands.
      if (bitMax != -1 && t.BitID > bitMax) {
        message = head + Text(Msg::AddrBitExceeds) + modelName + Text(Msg::AddrMaxRange) +
                  std::to_string(bitMax);
      }
      if (bitMin != -1 && t.BitID < bitMin) {
        message = head + Text(Msg::AddrBitBelowMin) + modelName + Text(Msg::AddrMinRange) +
                  std::to_string(bitMin);
      }
      if (chMax != -1 && t.ChID > chMax) {
        message = head + Text(Msg::AddrOf) + chWord + Text(Msg::AddrExceeds) + modelName +
                  Text(Msg::AddrMaxRange) + std::to_string(chMax);
      }
      if (chMin != -1 && t.ChID < chMin) {
        message = head + Text(Msg::AddrOf) + chWord + Text(Msg::AddrExceeds) + modelName +
                  Text(Msg::AddrMinRange) + std::to_string(chMin);
      }
    }
    DevMsg_ = message;
    if (message.empty()) return;
    tag.reset();
    // Written whatever the log switches say.
    SetLogMsg(DevMsg_ + "\r\n");
    SetLogMsg(prefix + Text(Msg::AddrReport) + Text(Msg::AddrDropReason) + Text(Msg::AddrDropped) +
              "\r\n");
  });
}

}  // namespace vdinv::engine
