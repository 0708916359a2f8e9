// The baud rates of a line, in the order of the parameter block's baud rate index 0..14.
#pragma once

#include <array>
#include <cstdint>

namespace vdinv {

inline constexpr std::array<uint32_t, 15> kBaudRates = {110,   300,   600,    1200,   2400,
                                                        4800,  9600,  14400,  19200,  38400,
                                                        56000, 57600, 115200, 128000, 256000};

}  // namespace vdinv
