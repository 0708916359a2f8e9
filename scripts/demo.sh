#!/usr/bin/env bash
# Sets everything up, builds the driver and the command-line host, and runs the main job:
# the module's identity, a default parameter block, the tag editor's address checks, and a
# line initialised with it whose tags are polled for a while.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVDINV_TESTS=OFF

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
vdinv="$root/build/vdinv"
echo "== the module"
"$vdinv" info
echo
echo "== a default parameter block with two inverters"
"$vdinv" pdb new line.pdb --device 1:G11S --device 2:P11S
"$vdinv" pdb show line.pdb
echo
echo "== the tag editor's address templates and checks"
"$vdinv" addr list
"$vdinv" addr check line.pdb 'f1：3' H2:10 M1:8 F7:5 || true
echo
echo "== a simulated line: station 1 (G11S) and station 2 (P11S) on a pseudo-terminal as COM1"
"$root/build/invsim" --link "$work/ttyINV" --station 1:G11S --station 2:P11S \
  --set 1:F03=5000 --set 1:M09=-120 --set 2:F03=2500 --set 2:M09=300 --baud 9600 &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [[ -e "$work/ttyINV" ]] && break; sleep 0.1; done
export VD_INV_COM1="$work/ttyINV"
echo
echo "== a line initialised with it, polled for a while"
"$vdinv" run line.pdb COMMLINK@string COMMLINK@analog ENCOMMLINK@switch \
  DEVICELINK1@string DEVICELINK2@string F1:3 M1:9 F2:3 M2:9 E2:1@switch CommErr1:@switch F7:5 \
  --count 300
echo
echo "== the driver's log ($work/Debug/VD_Inv.Log)"
iconv -f GBK -t UTF-8 Debug/VD_Inv.Log | tail -n 25
kill $sim 2>/dev/null || true
echo
echo "== the main job in one command: a simulated line in-process, a write, a station falls silent"
"$vdinv" demo --dir "$work/demo"
iconv -f GBK -t UTF-8 "$work/demo/Debug/VD_Inv.Log" | tail -n 12
