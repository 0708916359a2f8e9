#!/usr/bin/env bash
# Cross-builds the 32-bit Windows module into one directory: build-windows.sh DIR [cmake options]
# (VD_Inv.dll at the top of DIR), installing the toolchain first when it is missing
# (scripts/setup-windows.sh). The x86_64 build takes the other toolchain file:
#   cmake -S . -B DIR -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
set -euo pipefail
dir=$1
shift
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup-windows.sh"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
