#!/usr/bin/env bash
# The Windows serial device on COM1 under Wine, against the Linux simulator on a pseudo-terminal:
#   scripts/wine-serial-test.sh [WORK]      (default WORK: /tmp/vdinv-wine-serial)
# Cross-builds the test program into WORK, makes a 32-bit prefix there once (COM1 mapped to the
# link WORK/ttyCOM1 before Wine starts the prefix's services, so it never reaches the machine's
# own /dev/ttyS0), runs build/invsim behind that link (built here when missing) and the test.
# Needs i686-w64-mingw32-g++-posix and wine (the packages of the Windows toolchain).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mkdir -p "${1:-/tmp/vdinv-wine-serial}" && cd "${1:-/tmp/vdinv-wine-serial}" && pwd)
export WINEPREFIX=$WORK/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
EXE=$WORK/serial_device_check.exe
LINK=$WORK/ttyCOM1

i686-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -static -I"$ROOT/src" \
  -o "$EXE" "$ROOT/tools/wine_serial/serial_device_check.cpp" \
  "$ROOT/src/platform/win32/serial_device.cpp"
[ -x "$ROOT/build/invsim" ] || "$ROOT/scripts/build.sh" "$ROOT/build" -DVDINV_TESTS=OFF

if [ ! -f "$WINEPREFIX/.com1-mapped" ]; then
  wineboot -i >"$WORK/wineboot-init.log" 2>&1
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$LINK" /f >/dev/null
  wineserver -w  # the prefix's services re-link com1 from the registry at their next start
  touch "$WINEPREFIX/.com1-mapped"
fi

pids=()
# wineserver -k ends the processes of this prefix only (its services outlive a killed server).
cleanup() {
  wineserver -k 2>/dev/null || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

start_simulator() {
  "$ROOT/build/invsim" --link "$LINK" --station 1:G11S --set 1:F03=3000 >"$WORK/invsim.log" 2>&1 &
  SIM=$!
  pids+=("$SIM")
  for _ in $(seq 100); do [ -e "$LINK" ] && return; sleep 0.05; done
  echo "invsim did not make $LINK" >&2
  exit 1
}
start_simulator

# A persistent wineserver in this session (-f: a daemon would take the pseudo-terminal as its
# controlling terminal and dump its state at the hang-up); the services start here, with their
# output in a log, not in the test's pipe.
wineserver -f -p >"$WORK/wineserver.log" 2>&1 &
pids+=("$!")
sleep 0.5
wine wineboot >"$WORK/wineboot.log" 2>&1
ls -l "$WINEPREFIX/dosdevices/com1"

echo "=== exchange"
timeout 60 wine "$EXE"

echo "=== the far end stalls, goes away while the port is open, and comes back"
coproc TEST { timeout 60 wine "$EXE" gone 2>&1; }
test_pid=$TEST_PID
pids+=("$test_pid")
while IFS= read -r line <&"${TEST[0]}"; do
  echo "$line"
  case $line in
    STALL?*)
      kill -STOP "$SIM"
      echo >&"${TEST[1]}"
      ;;
    RESUME?*)
      kill -CONT "$SIM"
      echo >&"${TEST[1]}"
      ;;
    GONE?*)
      kill "$SIM"
      wait "$SIM" 2>/dev/null || true
      echo >&"${TEST[1]}"
      ;;
    BACK?*)
      start_simulator
      echo >&"${TEST[1]}"
      ;;
  esac
done
wait "$test_pid"
