// The module's thread-detach hook on Windows, called from DllMain.
#pragma once

namespace vdinv::platform::internal {

// Destroys the calling thread's value of every live ThreadSlot (the thread is ending).
// Never throws.
void RunThreadSlotDestructors();

}  // namespace vdinv::platform::internal
