#include "protocol/dll_object.h"

#include "common/number_text.h"
#include "common/value_word.h"
#include "protocol/check_code.h"
#include "protocol/protocol_table.h"
#include "protocol/reply.h"

namespace vdinv::protocol {
namespace {

constexpr const char* kClass = "TDLLObject";
constexpr size_t kMaxFrame = 255;
constexpr int kValueWidth = 4;
// The data field of a read request.
constexpr std::string_view kReadData = "0000";
// The group letter that stands for "CommErr" in a request.
constexpr std::string_view kCommErrLetter = "M";

std::string NumberText(int32_t value, int width, bool hex) {
  return hex ? HexText(static_cast<uint32_t>(value), width) : DecimalText(value, width);
}

}  // namespace

TDLLObject::TDLLObject(const engine::DriverEnvironment& env, bool firstInstance)
    : TCustomDLLObject(env, firstInstance) {}

TDLLObject::~TDLLObject() {
  EndLineThread();
  Destroying();
}

int32_t TDLLObject::GetInterval() {
  return Guarded(this, kClass, "GetInterval", int32_t{-1}, [&] {
    TCustomDLLObject::GetInterval();
    return int32_t{10};
  });
}

engine::CommandPtr TDLLObject::CreatCommand(TTagItem& tag, engine::CommandList& list,
                                            bool isWrite) {
  return Guarded(this, kClass, "CreatCommand", engine::CommandPtr(), [&] {
    // A write goes out only with its data word.
    const std::string word = isWrite ? CreateValueStr(tag, true) : std::string();
    if (isWrite && word.empty()) return engine::CommandPtr();
    // A string is the word itself, so that a queued write of the same word is a repeat.
    if (isWrite && tag.DataType == kString && tag.Value.IsString()) {
      tag.Value = TagValue::String(word);
      TouchTag(tag);
    }
    engine::CommandPtr command = TCustomDLLObject::CreatCommand(tag, list, isWrite);
    if (command && isWrite && tag.DataType == kAnalog && tag.Value.IsDouble()) {
      if (std::optional<uint16_t> number = AnalogWord(tag.Value)) {
        tag.Value = TagValue::Integer(*number);
        TouchTag(tag);
      }
    }
    return command;
  });
}

std::string TDLLObject::GetAskStr(TCommandItem& command, TTagItem& tag, bool isWrite) {
  return Guarded(this, kClass, "GetAskStr", std::string(), [&] {
    if (tag.TypeIndex == -1) return std::string();
    const auto type = static_cast<size_t>(tag.TypeIndex);
    const std::string_view group = kTypePrefix.at(type);
    const int addrWidth = kTypeAddrWidth.at(type);
    const std::string value = CreateValueStr(tag, isWrite);
    if (isWrite && value.empty()) return std::string();
    const std::string station = NumberText(tag.DevID, kDevIDWidth, kDevIDHexFlag);
    // The command's range is worked out as for any layout; this one shows the function code
    // alone.
    (void)GetCommandStartAddr(command, tag);
    (void)GetCommandEndAddr(command, tag);
    (void)GetCommandAddrLength(command, tag);
    const std::string code = NumberText(tag.ChID, addrWidth, kAddrTextHexFlag);

    std::string body = station;
    body += kENQ;
    body += isWrite ? kWriteCode : kReadCode;
    body += tag.TypeIndex == kTypeCommErr ? kCommErrLetter : group;
    body += code;
    body += ' ';
    body += isWrite ? std::string_view(value) : kReadData;
    body += kEndCode;
    std::string frame(1, kSOH);
    frame += CheckCRC(body);
    if (frame.size() > kMaxFrame) frame.resize(kMaxFrame);
    return frame;
  });
}

std::string TDLLObject::CreateValueStr(TTagItem& tag, bool isWrite) {
  return Guarded(this, kClass, "CreateValueStr", std::string(), [&] {
    if (tag.TypeIndex == -1) return std::string();
    const auto type = static_cast<size_t>(tag.TypeIndex);
    const uint8_t code = isWrite ? kTypeWriteCode.at(type) : kTypeReadCode.at(type);
    if (code != kValueCodeWord) return std::string();
    if (tag.DataType == kAnalog) {
      std::optional<uint16_t> word = AnalogWord(tag.Value);
      return word ? HexText(*word, kValueWidth) : std::string();
    }
    if (tag.DataType == kSwitch) {
      if (!isWrite) return NumberText(0, kTypeDataWidth.at(type), kDataHexFlag);
      return EncodeSwitch(tag.Value.ToBoolean());
    }
    if (tag.DataType == kString && isWrite) {
      return EncodeString(tag.Value.ToText()).value_or(std::string());
    }
    return std::string();
  });
}

std::optional<Msg> TDLLObject::WriteValueRefusal(const TTagItem& tag, const TagValue& value) {
  if (tag.DataType == kAnalog && !AnalogWord(value)) return Msg::WriteNotWord;
  if (tag.DataType == kString && value.IsString() && !EncodeString(value.AsString())) {
    return Msg::WriteNotHexText;
  }
  return std::nullopt;
}

std::string TDLLObject::CheckCRC(const std::string& text) {
  return Guarded(this, kClass, "CheckCRC", std::string(), [&] { return text + CheckDigits(text); });
}

}  // namespace vdinv::protocol
