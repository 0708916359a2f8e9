// The module's entry point on Windows. Process attach and detach are the runtime's (it builds
// and destroys the static objects around this function); thread detach destroys the ending
// thread's slot values, since a TLS index has no destructor of its own. Threads that never had
// a driver object pass through at no cost. Nothing may leave this function: an exception
// through the loader's frames ends the host.
#include <windows.h>

#include "platform/win32/thread_detach.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_THREAD_DETACH) vdinv::platform::internal::RunThreadSlotDestructors();
  return TRUE;
}
