#!/usr/bin/env bash
# Runs a test program of the module under Wine on a simulated line (the module's line tests, the
# walks of its windows):
#   run_module_line_test.sh INVSIM EMULATOR TEST_PROGRAM WORK
# COM1 of the prefix must be mapped to a link of the Linux side (com1_link.sh). The Linux
# simulator answers behind that link, steered through WORK/control, and is stopped whatever
# happens.
set -euo pipefail
invsim=$1 emulator=$2 program=$3 work=$4
# shellcheck source=SCRIPTDIR/com1_link.sh
. "$(dirname "$0")/com1_link.sh"

rm -rf "$work"
mkdir -p "$work"
"$invsim" --link "$link" --station 1:G11S --station 2:P11S --control "$work/control" \
  >"$work/invsim.log" 2>&1 &
sim=$!
echo "$sim" >"$work/invsim.pid"
stop_simulator() {
  kill "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  rm -f "$work/invsim.pid"
}
trap stop_simulator EXIT
for _ in $(seq 200); do
  [ -e "$link" ] && [ -d "$work/control" ] && break
  kill -0 "$sim" 2>/dev/null || { cat "$work/invsim.log" >&2; exit 1; }
  sleep 0.025
done

VDINV_SIM_CONTROL=$work/control "$emulator" "$program"
