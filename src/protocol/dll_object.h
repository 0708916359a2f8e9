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
  // The data word is four hexadecimal digits: an analog value must be 0..65535 after rounding
  // (ties to even), a string text one to four hexadecimal digits.
  std::optional<Msg> WriteValueRefusal(const TTagItem& tag, const TagValue& value) override;
  // A write command carries the data word that goes on the line, and the tag then holds that
  // word as the value to write (the one a confirmation shows): an analog number as the whole
  // number sent, a string as its four upper-case digits. A value the word cannot hold gets no
  // command.
  engine::CommandPtr CreatCommand(TTagItem& tag, engine::CommandList& list, bool isWrite) override;
  // A write without its data word has no frame (empty).
  std::string GetAskStr(TCommandItem& command, TTagItem& tag, bool isWrite) override;
  // Analog: the value rounded, in four hexadecimal digits (nothing outside 0..65535); switch:
  // "0001" for true and "0000" for false when writing, "0000" when reading; string: its text
  // upper-cased and zero-padded to four digits when writing (nothing for any other text),
  // nothing when reading.
  std::string CreateValueStr(TTagItem& tag, bool isWrite) override;
  // Appends the byte sum of the text modulo 256 as two upper-case hexadecimal digits.
  std::string CheckCRC(const std::string& text) override;
};

}  // namespace vdinv::protocol
