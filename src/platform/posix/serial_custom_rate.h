// Rates the terminal interface has no Bxxx code for, through Linux's arbitrary-rate requests.
// Kept apart because the kernel's terminal header cannot share a file with <termios.h>.
#pragma once

#include <cstdint>

namespace vdinv::platform::posix {

// Sets input and output rate of the open terminal to the given rate. False when the request is
// refused or the device settles on a rate more than 2 % away (a driver that cannot do the
// rate falls back to another one); the caller then restores its previous settings.
bool SetCustomBaudRate(int fd, uint32_t rate);

}  // namespace vdinv::platform::posix
