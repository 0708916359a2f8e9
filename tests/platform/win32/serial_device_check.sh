#!/usr/bin/env bash
# The Windows serial device alone on COM1 under Wine, against the Linux simulator behind the
# link that the prefix maps COM1 to (com1_link.sh; tools/wine_serial/serial_device_check.cpp):
#   serial_device_check.sh INVSIM EMULATOR PROGRAM WORK
# First the exchange checks, then the far end stalled, resumed, taken away while the port is
# open and brought back, each step when the program asks for it. The simulator's process id is
# kept in WORK/invsim.pid until it ends; it is stopped whatever happens.
set -euo pipefail
invsim=$1 emulator=$2 program=$3 work=$4
# shellcheck source=SCRIPTDIR/../../module/wine/com1_link.sh
. "$(dirname "$0")/../../module/wine/com1_link.sh"
rm -rf "$work"
mkdir -p "$work"

sim=""
test_pid=""
cleanup() {
  if [[ -n $test_pid ]]; then kill "$test_pid" 2>/dev/null || true; fi
  if [[ -n $sim ]]; then kill "$sim" 2>/dev/null || true; fi
  rm -f "$work/invsim.pid"
}
trap cleanup EXIT

start_simulator() {
  "$invsim" --link "$link" --station 1:G11S --set 1:F03=3000 >>"$work/invsim.log" 2>&1 &
  sim=$!
  echo "$sim" >"$work/invsim.pid"
  for _ in $(seq 100); do
    [ -e "$link" ] && return
    sleep 0.05
  done
  echo "invsim did not make $link" >&2
  exit 1
}
start_simulator

echo "=== exchange"
timeout 60 "$emulator" "$program"

echo "=== the far end stalls, goes away while the port is open, and comes back"
coproc TEST { timeout 60 "$emulator" "$program" gone 2>&1; }
test_pid=$TEST_PID
while IFS= read -r line <&"${TEST[0]}"; do
  echo "$line"
  case $line in
    STALL?*)
      kill -STOP "$sim"
      echo >&"${TEST[1]}"
      ;;
    RESUME?*)
      kill -CONT "$sim"
      echo >&"${TEST[1]}"
      ;;
    GONE?*)
      kill "$sim"
      wait "$sim" 2>/dev/null || true
      echo >&"${TEST[1]}"
      ;;
    BACK?*)
      start_simulator
      echo >&"${TEST[1]}"
      ;;
  esac
done
wait "$test_pid"
