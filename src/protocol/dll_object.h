// TDLLObject: the inverter protocol, the driver object every host thread gets. It builds the
// inverter's request frames: SOH, the station, ENQ, the command character, the group letter,
// the function code, a space, the data word, ETX and a two-digit byte-sum check code.
#pragma once

#include "protocol/custom_object.h"

namespace vdinv::protocol {

class TDLLObject : public TCustomDLLObject {
 public:
  TDLLObject(const engine::DriverEnvironment& env, bool firstInstance);
  ~TDLLObject() override;

  int32_t GetInterval() override;
  // A string tag takes only texts of one to four hexadecimal digits.
  std::optional<Msg> WriteValueRefusal(const TTagItem& tag, const TagValue& value) override;
  // A write command carries the written number as a whole number: a fractional value becomes
  // the nearest integer (ties to even), which the tag then holds as the value to write.
  engine::CommandPtr CreatCommand(TTagItem& tag, engine::CommandList& list, bool isWrite) override;
  std::string GetAskStr(TCommandItem& command, TTagItem& tag, bool isWrite) override;
  // Analog: the value rounded, in hexadecimal of at least four digits (the 32-bit pattern, so
  // -1 is FFFFFFFF); switch: "0000"; string: nothing.
  std::string CreateValueStr(TTagItem& tag, bool isWrite) override;
  // Appends the byte sum of the text modulo 256 as two upper-case hexadecimal digits.
  std::string CheckCRC(const std::string& text) override;
};

}  // namespace vdinv::protocol
