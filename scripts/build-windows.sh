#!/usr/bin/env bash
# Cross-builds the Windows module into one directory: build-windows.sh [--x86_64] DIR [cmake options]
# (VD_Inv.dll at the top of DIR). 32-bit (i686) by default, which is what the hosts load;
# --x86_64 builds the 64-bit module and installs its compiler first when it is missing.
set -euo pipefail
arch=i686
package=i686
if [[ ${1:-} == --x86_64 ]]; then
  arch=x86_64
  package=x86-64
  shift
fi
dir=$1
shift
root="$(cd "$(dirname "$0")/.." && pwd)"
if [[ $arch == x86_64 ]] && ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  apt-get install -y --no-install-recommends g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
fi
for tool in "$arch-w64-mingw32-g++-posix" "$arch-w64-mingw32-windres"; do
  if ! command -v "$tool" >/dev/null; then
    echo "build-windows.sh: $tool is missing (Debian: g++-mingw-w64-$package-posix, binutils-mingw-w64-$package)" >&2
    exit 1
  fi
done
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
