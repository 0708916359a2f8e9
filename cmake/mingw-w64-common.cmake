# What both MinGW-w64 toolchain files share; VDINV_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${VDINV_MINGW_TRIPLET})

# The -posix compilers by name: GCC 12's win32 thread model has no std::thread or std::mutex,
# and installing the win32 variant as well moves the plain compiler names over to it.
set(CMAKE_C_COMPILER ${VDINV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VDINV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VDINV_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VDINV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Header-only packages of the build machine (CLI11) are found where Debian puts them.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# libgcc, libstdc++ and winpthread linked in, so that every result imports system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# CTest runs the programs through Wine (own prefix, no debug output, code page 936).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
