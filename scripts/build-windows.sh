#!/usr/bin/env bash
# Cross-builds the Windows module into one directory: build-windows.sh [--x86_64] DIR [cmake options]
# (VD_Inv.dll at the top of DIR; DIR/help/VD_Inv.chm too when chmcmd is installed, see
# scripts/build-help.sh), installing the toolchain first when it is missing
# (scripts/setup-windows.sh). 32-bit (i686) by default, which is what the hosts load; --x86_64
# builds the 64-bit module with the other toolchain file, and only then installs its compiler.
set -euo pipefail
arch=i686
setup=()
if [[ ${1:-} == --x86_64 ]]; then
  arch=x86_64
  setup=(--x86_64)
  shift
fi
dir=$1
shift
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup-windows.sh" "${setup[@]}"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
