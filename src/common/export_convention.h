// How the module's functions are exported. On Windows the hosts are 32-bit programs that call
// __stdcall functions (the callee pops its arguments) by undecorated names, which the module's
// .def file gives them; on Linux the exports are C functions with default visibility while
// everything else is hidden.
#pragma once

#if defined(_WIN32)
#define VDINV_EXPORT extern "C"
#define VDINV_CALL __stdcall
#else
#define VDINV_EXPORT extern "C" __attribute__((visibility("default")))
#define VDINV_CALL
#endif
