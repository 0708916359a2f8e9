#!/usr/bin/env bash
# Runs a test program of the module under Wine on a simulated line (the module's line tests, the
# walks of its windows):
#   run_module_line_test.sh INVSIM EMULATOR TEST_PROGRAM WORK
# The prefix ($WINEPREFIX, as the emulator takes it) must map COM1 to a link of the Linux side
# before Wine starts its services (scripts/test-windows.sh does); without that mapping Wine's
# COM1 is the machine's own /dev/ttyS0, and the test refuses to run. The Linux simulator
# answers behind that link, steered through WORK/control, and is stopped whatever happens.
set -euo pipefail
invsim=$1 emulator=$2 program=$3 work=$4
: "${WINEPREFIX:?the prefix whose COM1 is mapped (scripts/test-windows.sh makes one)}"

link=$(readlink "$WINEPREFIX/dosdevices/com1" 2>/dev/null || true)
case $link in
  "" | /dev/*)
    echo "COM1 of the prefix $WINEPREFIX is '${link:-not mapped}', not a simulator's link:" \
      "map it in HKLM\\Software\\Wine\\Ports before Wine starts (scripts/test-windows.sh)" >&2
    exit 1
    ;;
esac

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
