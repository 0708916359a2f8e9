#include "ui/serial_texts.h"

#include "common/baud_rates.h"
#include "common/messages.h"

namespace vdinv::ui {
namespace {

constexpr int kPortCount = 16;

std::string Choice(const std::vector<Msg>& texts, uint8_t code, Msg other) {
  return Utf8Text(code < texts.size() ? texts[code] : other);
}

std::vector<std::string> Texts(const std::vector<Msg>& ids) {
  std::vector<std::string> texts;
  for (Msg id : ids) texts.emplace_back(Utf8Text(id));
  return texts;
}

const std::vector<Msg>& StopBitsIds() {
  static const std::vector<Msg> ids = {Msg::UiStop1, Msg::UiStop15, Msg::UiStop2};
  return ids;
}

const std::vector<Msg>& ParityIds() {
  static const std::vector<Msg> ids = {Msg::UiParityNone, Msg::UiParityOdd, Msg::UiParityEven};
  return ids;
}

}  // namespace

std::vector<std::string> PortChoices() {
  std::vector<std::string> choices;
  for (int i = 1; i <= kPortCount; ++i)
    choices.push_back(Utf8Text(Msg::UiComPrefix) + std::to_string(i));
  return choices;
}

std::vector<std::string> BaudChoices() {
  std::vector<std::string> choices;
  for (uint32_t rate : kBaudRates) choices.push_back(std::to_string(rate));
  return choices;
}

std::vector<std::string> DataBitsChoices() {
  return Texts({Msg::UiBits7, Msg::UiBits8});
}

std::vector<std::string> StopBitsChoices() {
  return Texts(StopBitsIds());
}

std::vector<std::string> ParityChoices() {
  return Texts(ParityIds());
}

std::string PortText(uint8_t code) {
  return Utf8Text(Msg::UiPortPrefix) + std::to_string(code + 1);
}

std::string BaudText(uint8_t code) {
  return std::to_string(code < kBaudRates.size() ? kBaudRates[code] : kBaudRates[6]);
}

std::string ParityText(uint8_t code) {
  return Choice(ParityIds(), code, Msg::UiParityNone);
}

std::string DataBitsText(uint8_t code) {
  static const std::vector<Msg> ids = {Msg::UiBits4, Msg::UiBits5, Msg::UiBits6, Msg::UiBits7,
                                       Msg::UiBits8};
  return Choice(ids, code, Msg::UiBits8);
}

std::string StopBitsText(uint8_t code) {
  return Choice(StopBitsIds(), code, Msg::UiStop1);
}

std::string BaudSeparator(uint8_t code) {
  if (code <= 2) return "    ";
  if (code <= 6) return "   ";
  if (code <= 11) return "  ";
  return " ";
}

}  // namespace vdinv::ui
