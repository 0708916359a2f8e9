#!/usr/bin/env bash
# The line benchmark's driver run on Windows: VD_Inv.dll under Wine on COM1, mapped to the
# Linux simulator's pseudo-terminal, at 9600 and 19200 baud (replies paced at the rate after a
# turnaround of 5 ms, as in the Linux benchmark Line/B):
#   bench-wine.sh [DIR] [SECONDS]      (default build-win-bench, 4 s per rate)
# Sets up, builds the Linux simulator (DIR/linux-tools), cross-builds the module and the
# benchmark program into DIR and runs it in a fresh prefix (DIR/wine-prefix). One line of
# figures per rate, named as the Linux benchmark's counters.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-win-bench}
seconds=${2:-4}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/setup-windows.sh" --wine
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

cmake -S "$root" -B "$dir/linux-tools" -DCMAKE_BUILD_TYPE=Release -DVDINV_TESTS=OFF \
  -DVDINV_BENCH=OFF -DVDINV_FUZZ=OFF -DVDINV_SANITIZE= "${launcher[@]}" >/dev/null
cmake --build "$dir/linux-tools" -j"$(nproc)" --target invsim >/dev/null
cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVDINV_TESTS=OFF -DVDINV_BENCH=ON "${launcher[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target vdinv_wine_line_rate >/dev/null

sim=""
stop_simulator() {
  [[ -n $sim ]] || return 0
  kill "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  sim=""
}
# shellcheck source=wine-prefix.sh
. "$root/scripts/wine-prefix.sh"
trap 'stop_simulator; stop_wine_prefix' EXIT
start_wine_prefix "$dir"

# The host's installation: the driver finds its project (and writes its log) there.
mkdir -p "$dir/host"
printf '[WORKING]\r\nDefaultPROJECT=Z:%s\\p\\x\r\n' "${dir//\//\\}\\host" >"$dir/host/Ovatrex.ini"
wine reg add 'HKLM\Software\KORVI' /v PATH /t REG_SZ /d "Z:${dir//\//\\}\\host\\" /f >/dev/null

for baud in 9600 19200; do
  rm -rf "$dir/control"
  "$dir/linux-tools/invsim" --link "$dir/wine-com1" --baud "$baud" --turnaround 5 \
    --station 1:G11S --station 2:P11S --set 1:F03=3000 --set 1:M09=-50 --set 2:F03=500 \
    --set 2:M09=120 --control "$dir/control" >"$dir/invsim-$baud.log" 2>&1 &
  sim=$!
  for _ in $(seq 200); do
    [[ -e $dir/wine-com1 && -d $dir/control ]] && break
    sleep 0.025
  done
  VDINV_SIM_CONTROL=$dir/control "$root/cmake/wine-run.sh" "$dir/bench/vdinv_wine_line_rate.exe" \
    "$baud" "$seconds"
  stop_simulator
done
