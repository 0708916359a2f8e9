#!/usr/bin/env bash
# Pictures of every configuration window on both systems, as PNG files in DIR (README's pictures
# are docs/screenshots, made by this script):
#   linux-*.png    the seven wizard pages, the debug form and the device test window as Qt shows
#                  them, drawn on Qt's offscreen platform in WenQuanYi Micro Hei by the host
#                  harness uihost acting on the real VD_Inv.so and VD_Inv_ui.so;
#   windows-*.png  the same windows of VD_Inv.dll under Wine (scripts/screenshots-windows.sh).
#   screenshots.sh DIR [--linux-only]  (BUILD: the Linux build directory, default build; built
#                                       when needed)
# Installs what is missing first: the build's packages, the CJK font and ImageMagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[[ $# -ge 1 && $# -le 2 ]] || { echo "usage: screenshots.sh DIR [--linux-only]" >&2; exit 2; }
windows=1
[[ ${2:-} == --linux-only ]] && windows=0
"$root/scripts/setup.sh" fonts-wqy-microhei imagemagick
mkdir -p "$1"
out=$(cd "$1" && pwd)
build=${BUILD:-$root/build}
if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVDINV_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target uihost vdinv invsim >/dev/null

export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
simulator=""
trap '[[ -n $simulator ]] && kill "$simulator"; rm -rf "$work"' EXIT
cd "$work"  # the driver's log and settings fall back to the working directory
"$build/vdinv" pdb new line.pdb --device 1:G11S --device 2:P11S >/dev/null
uihost() {
  "$build/uihost" --font "WenQuanYi Micro Hei" --timeout-ms 5000 "$@" 2>/dev/null >/dev/null
}

# Start page, debug form; connection page, one device, back; several devices; serial; summary.
uihost line.pdb \
  "window TStartFrm" "shot $out/linux-1-start.png" "click DebugBtn" \
  "window TDebugFrm" "shot $out/linux-8-debug.png" "click FinishBtn" \
  "window TStartFrm" "click NewOp" "click NextBtn" \
  "window TStep1Frm" "shot $out/linux-2-connection.png" "click SingleCreate" "click NextBtn" \
  "window TStep11Frm" "shot $out/linux-3-single-device.png" "click BackBtn" \
  "window TStep1Frm" "click MulCreate" "click NextBtn" \
  "window TStep12Frm" "select DevTypeEd 1" "type IDEd 3" "click AddBtn" \
  "shot $out/linux-4-device-list.png" "click NextBtn" \
  "window TStep4Frm" "shot $out/linux-6-serial.png" "click NextBtn" \
  "window TEndFrm" "shot $out/linux-7-summary.png" "click FinishBtn"
# Changing the devices of the block.
uihost line.pdb \
  "window TStartFrm" "click ModifyOp" "click NextBtn" \
  "window TStep2Frm" "select DeviceTree 1" "shot $out/linux-5-modify-list.png" "close"
# The device test window on a simulated line: the block's stations answer behind COM1.
"$build/invsim" --link "$work/ttyINV" --station 0:G11S --station 1:G11S --station 2:P11S \
  --set 0:F03=3000 \
  >/dev/null &
simulator=$!
for _ in $(seq 50); do [[ -e $work/ttyINV ]] && break; sleep 0.1; done
VD_INV_COM1=$work/ttyINV uihost --test line.pdb "window TSampleTest" "wait 1500" \
  "shot $out/linux-9-test-window.png" "close"
ls "$out"/linux-*.png
if ((windows)); then
  "$root/scripts/screenshots-windows.sh" "$out"
fi
