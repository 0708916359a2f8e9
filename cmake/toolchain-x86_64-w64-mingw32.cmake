# Cross-build for 64-bit Windows with Debian's MinGW-w64 (no host needs it; it proves that the
# records and the code hold on both widths).
# Use: cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
set(VDINV_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
