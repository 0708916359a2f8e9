#!/usr/bin/env bash
# The wizard from end to end in the host harness, through VD_Inv.so and VD_Inv_ui.so: new
# devices, several of them, two inverters added (1 G11S, 2 P11S) beside the block's station 0,
# the serial page, finish. The driver answers 1 and the saved block holds the three devices.
#   wizard_end_to_end_test.sh UIHOST VDINV WORKDIR
set -euo pipefail
uihost=$1
vdinv=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
cd "$work"  # the driver's log and settings fall back to the working directory

"$vdinv" pdb new line.pdb >/dev/null
"$uihost" --timeout-ms 5000 line.pdb \
  "window TStartFrm" "click NewOp" "click NextBtn" \
  "window TStep1Frm" "click MulCreate" "click NextBtn" \
  "window TStep12Frm" "select DevTypeEd 0" "type IDEd 1" "click AddBtn" \
  "select DevTypeEd 1" "type IDEd 2" "click AddBtn" "click NextBtn" \
  "window TStep4Frm" "click NextBtn" \
  "window TEndFrm" "click FinishBtn" >answer.txt
grep -qx "DLLEdDev 1" answer.txt || { cat answer.txt; exit 1; }

"$vdinv" pdb show line.pdb >block.txt
expect() {
  grep -Eq "$1" block.txt || { echo "not in the saved block: $1"; cat block.txt; exit 1; }
}
expect '^Devices in use: 3$'
expect '^ +0 +0 +"G11S"$'
expect '^ +1 +0 +"G11S"$'
expect '^ +2 +1 +"P11S"$'
echo "saved: 3 devices"
