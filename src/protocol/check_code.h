// The check code that ends every frame of the inverter protocol, requests and replies alike:
//
//   SOH, station, ENQ|ACK|NAK, command, group, code, sign, data (4), ETX, check (2)
//
// The two check digits are the byte sum of everything from the station to ETX (SOH not
// counted, bytes taken unsigned) modulo 256, as two upper-case hexadecimal digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vdinv::protocol {

// The check digits of a frame body (the bytes from the station to ETX).
inline std::string CheckDigits(std::string_view body) {
  constexpr std::string_view kHexDigits = "0123456789ABCDEF";
  uint32_t sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  sum %= 256;
  return {kHexDigits[sum / 16], kHexDigits[sum % 16]};
}

}  // namespace vdinv::protocol
