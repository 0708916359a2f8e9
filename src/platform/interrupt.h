// Interruption by the user (Ctrl-C) for the command-line tools, and a sleep that ends early
// when the user interrupts.
#pragma once

#include <cstdint>

namespace vdinv::platform {

// Catches the interrupt and terminate requests of the terminal (Ctrl-C and the like) so that
// the program can end in order: afterwards Interrupted() reports them instead of the process
// being killed. A second request while the first is still pending ends the process at once.
void InstallInterruptFlag();
// True once an interrupt request arrived after InstallInterruptFlag.
bool Interrupted();
// Sleeps for the given milliseconds; returns early when an interrupt request arrives.
void SleepMilliseconds(uint32_t ms);

}  // namespace vdinv::platform
