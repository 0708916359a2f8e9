#include "vdinv/options.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "cli/numbers.h"
#include "common/baud_rates.h"
#include "common/parameter_block.h"
#include "platform/text.h"

namespace vdinv::tool {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// ParseNumber with the option's name in front of the message.
uint64_t Number(std::string_view text, uint64_t min, uint64_t max, const std::string& what) {
  return cli::Named<UsageError>(what, [&] { return ParseNumber(text, min, max); });
}

}  // namespace

uint64_t ParseNumber(std::string_view text, uint64_t min, uint64_t max) {
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec == std::errc::invalid_argument || end != text.data() + text.size()) {
    throw UsageError("'" + std::string(text) + "' is not a number");
  }
  if (ec == std::errc::result_out_of_range || value < min || value > max) {
    throw UsageError(std::string(text) + " is out of range (" + std::to_string(min) + ".." +
                     std::to_string(max) + ")");
  }
  return value;
}

uint8_t ParseBaud(std::string_view text) {
  uint64_t n = Number(text, 0, UINT32_MAX, "--baud");
  if (n < kBaudRates.size()) return static_cast<uint8_t>(n);
  std::string rates;
  for (size_t i = 0; i < kBaudRates.size(); ++i) {
    if (kBaudRates[i] == n) return static_cast<uint8_t>(i);
    rates += (i == 0 ? "" : ", ") + std::to_string(kBaudRates[i]);
  }
  throw UsageError("--baud: " + std::string(text) + " is neither a baud rate index 0.." +
                   std::to_string(kBaudRates.size() - 1) + " nor one of the rates " + rates);
}

uint8_t ParseComPort(std::string_view text) {
  std::string_view number = text;
  if (text.size() > 3 && Lower(text.substr(0, 3)) == "com") number = text.substr(3);
  return static_cast<uint8_t>(Number(number, 1, 16, "--port") - 1);
}

uint8_t ParseDataBits(std::string_view text) {
  if (text == "7") return 3;
  if (text == "8") return 4;
  throw UsageError("--databits: '" + std::string(text) + "' is not 7 or 8");
}

uint8_t ParseStopBits(std::string_view text) {
  if (text == "1") return 0;
  if (text == "1.5") return 1;
  if (text == "2") return 2;
  throw UsageError("--stopbits: '" + std::string(text) + "' is not 1, 1.5 or 2");
}

uint8_t ParseParity(std::string_view text) {
  std::string p = Lower(text);
  if (p == "none" || p == "n") return 0;
  if (p == "odd" || p == "o") return 1;
  if (p == "even" || p == "e") return 2;
  throw UsageError("--parity: '" + std::string(text) + "' is not none, odd or even");
}

DeviceSetting ParseDevice(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    throw UsageError("--device: '" + std::string(text) + "' is not NUMBER:MODEL (e.g. 1:G11S)");
  }
  DeviceSetting d;
  d.number = static_cast<int>(Number(text.substr(0, colon), 0, kDeviceCount - 1, "--device"));
  std::string model = Lower(text.substr(colon + 1));
  if (model == "none") {
    d.model = kModelNone;
    return d;
  }
  for (uint8_t code : {kModelG11S, kModelP11S}) {
    if (model == Lower(ModelNameOf(code))) {
      d.model = code;
      return d;
    }
  }
  throw UsageError("--device: unknown model '" + std::string(text.substr(colon + 1)) +
                   "' (models: G11S, P11S, or none to free the slot)");
}

TagArgument ParseTagArgument(std::string_view text) {
  TagArgument argument;
  std::string_view address = text;
  if (size_t at = text.rfind('@'); at != std::string_view::npos) {
    std::string type = Lower(text.substr(at + 1));
    if (type == "analog") {
      argument.dataType = 0;
    } else if (type == "switch") {
      argument.dataType = 1;
    } else if (type == "string") {
      argument.dataType = 2;
    } else {
      throw UsageError("tag '" + std::string(text) + "': unknown type '" +
                       std::string(text.substr(at + 1)) + "' (analog, switch or string)");
    }
    address = text.substr(0, at);
  }
  if (address.empty()) throw UsageError("tag '" + std::string(text) + "': empty address");
  if (!platform::IsValidUtf8(address)) {
    throw UsageError("tag address is not valid UTF-8 (set a UTF-8 locale in the terminal)");
  }
  argument.address = std::string(address);
  return argument;
}

WriteArgument ParseWriteArgument(std::string_view text) {
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) {
    throw UsageError("'" + std::string(text) + "' is not TAG=VALUE");
  }
  WriteArgument w;
  w.tag = ParseTagArgument(text.substr(0, eq));
  std::string_view value = text.substr(eq + 1);
  const std::string shown = "'" + std::string(text) + "'";
  switch (w.tag.dataType) {
    case 0: {
      // A plain decimal number: no leading '+', no blanks, nothing after it.
      auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), w.analog);
      if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
          !std::isfinite(w.analog)) {
        throw UsageError(shown + ": the value of an analog tag must be a number");
      }
      break;
    }
    case 1: {
      std::string v = Lower(value);
      if (v == "1" || v == "true") {
        w.on = true;
      } else if (v == "0" || v == "false") {
        w.on = false;
      } else {
        throw UsageError(shown + ": the value of a switch tag is 0, 1, true or false");
      }
      break;
    }
    default:
      if (!platform::IsValidUtf8(value)) {
        throw UsageError("text value is not valid UTF-8 (set a UTF-8 locale in the terminal)");
      }
      w.text = std::string(value);
      break;
  }
  return w;
}

std::string ParseAddress(std::string_view text) {
  // An empty address is passed on as it is: the driver's answer to it is worth seeing.
  if (!platform::IsValidUtf8(text)) {
    throw UsageError("address is not valid UTF-8 (set a UTF-8 locale in the terminal)");
  }
  return std::string(text);
}

}  // namespace vdinv::tool
