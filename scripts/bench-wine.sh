#!/usr/bin/env bash
# The line benchmark's driver run on Windows: VD_Inv.dll under Wine on COM1, mapped to the
# Linux simulator's pseudo-terminal, at 9600 and 19200 baud (replies paced at the rate after a
# turnaround of 5 ms, as in the Linux benchmark Line/B/P/T), with host polls every 10, 15.625,
# 50 and 100 ms, first with the host's polls running the line, then with the line thread:
#   bench-wine.sh [DIR] [SECONDS]      (default build-win-bench, 4 s per rate)
# Sets up, builds the Linux simulator (build/ when configured, else DIR/linux-tools),
# cross-builds the module and the benchmark program into DIR and runs it in a fresh prefix
# (DIR/wine-prefix). One line of figures per run (Line/B/P, then line_thread=T), named as the
# Linux benchmark's counters.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-win-bench}
seconds=${2:-4}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/setup-windows.sh" --wine
# shellcheck source=wine-line.sh
. "$root/scripts/wine-line.sh"
tools=$(linux_simulator "$root" "$dir")
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
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
trap 'stop_simulator; stop_wine_prefix' EXIT
start_wine_prefix "$dir"

# The host's installation: the driver finds its project (and writes its log) there.
mkdir -p "$dir/host"
printf '[WORKING]\r\nDefaultPROJECT=Z:%s\\p\\x\r\n' "${dir//\//\\}\\host" >"$dir/host/Ovatrex.ini"
wine reg add 'HKLM\Software\KORVI' /v PATH /t REG_SZ /d "Z:${dir//\//\\}\\host\\" /f >/dev/null

for thread in 0 1; do
  if ((thread)); then
    wine reg add 'HKLM\Software\KORVI\VD_Inv' /v LineThread /t REG_DWORD /d 1 /f >/dev/null
  else
    wine reg delete 'HKLM\Software\KORVI\VD_Inv' /v LineThread /f >/dev/null 2>&1 || true
  fi
  for poll in 10000 15625 50000 100000; do
    for baud in 9600 19200; do
      rm -rf "$dir/control"
      "$tools/invsim" --link "$dir/wine-com1" --baud "$baud" --turnaround 5 \
        --station 1:G11S --station 2:P11S --set 1:F03=3000 --set 1:M09=-50 --set 2:F03=500 \
        --set 2:M09=120 --control "$dir/control" >"$dir/invsim-$baud.log" 2>&1 &
      sim=$!
      for _ in $(seq 200); do
        [[ -e $dir/wine-com1 && -d $dir/control ]] && break
        sleep 0.025
      done
      figures=$(VDINV_SIM_CONTROL=$dir/control "$root/cmake/wine-run.sh" \
        "$dir/bench/vdinv_wine_line_rate.exe" "$baud" "$seconds" "$poll")
      echo "$figures line_thread=$thread"
      stop_simulator
    done
  done
done
