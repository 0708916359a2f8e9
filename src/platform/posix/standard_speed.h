// The terminal interface's speed codes (Bxxx) for the rates that have one; the serial port and
// the tools' terminal lines both set a line's speed through this one table.
#pragma once

#include <termios.h>

#include <cstdint>

namespace vdinv::platform::posix {

struct StandardRate {
  uint32_t rate;
  speed_t code;
};

inline constexpr StandardRate kStandardRates[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

// The Bxxx code of a rate; false when the terminal interface has none for it.
inline bool StandardSpeed(uint32_t rate, speed_t* code) {
  for (const StandardRate& entry : kStandardRates) {
    if (entry.rate == rate) {
      *code = entry.code;
      return true;
    }
  }
  return false;
}

}  // namespace vdinv::platform::posix
