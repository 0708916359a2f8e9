#!/usr/bin/env bash
# The Windows part of the screenshots: screenshots-windows.sh DIR [BUILD]  (default build-win).
# Cross-builds the module and its window tests into BUILD, shows every configuration window of
# VD_Inv.dll under Wine on an X server in memory (Xvfb) in a fresh prefix, and saves each as
# DIR/windows-NAME.png: the seven wizard pages, the debug form and the device test window in
# both sizes. The windows are walked by the test program's second thread as a user would; the
# device test window reads a simulated line (the Linux invsim behind the prefix's COM1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: screenshots-windows.sh DIR [BUILD]}
build=${2:-build-win}
mkdir -p "$out" "$build"
out=$(cd "$out" && pwd)
build=$(cd "$build" && pwd)
"$root/scripts/setup-windows.sh" --wine
command -v convert >/dev/null || {
  echo "screenshots-windows: ImageMagick's convert is missing (apt-get install imagemagick)" >&2
  exit 1
}
# shellcheck source=wine-line.sh
. "$root/scripts/wine-line.sh"
tools=$(linux_simulator "$root" "$build")
"$root/scripts/build-windows.sh" "$build" -DVDINV_TESTS=ON >/dev/null

work=$build/screenshots
rm -rf "$work"
mkdir -p "$work/bmp"
sim=""
cleanup() {
  stop_wine_prefix
  stop_display
  [[ -n $sim ]] && kill "$sim" 2>/dev/null || true
}
trap cleanup EXIT
start_display "$work"
start_wine_prefix "$work"
# Station 1 is the device of the test window's block; its shots wait until the value is read.
"$tools/invsim" --link "$work/wine-com1" --station 1:G11S --set 1:F03=5000 \
  >"$work/invsim.log" 2>&1 &
sim=$!

missing=0
"$root/cmake/wine-run.sh" "$build/tests/vdinv_wine_window_tests.exe" --shots \
  "Z:${work//\//\\}\\bmp" || missing=$?
for bmp in "$work"/bmp/*.bmp; do
  [[ -e $bmp ]] || continue
  name=$(basename "$bmp" .bmp)
  convert "$bmp" "$out/windows-$name.png"
  echo "$out/windows-$name.png"
done
if ((missing != 0)); then
  echo "screenshots-windows: $missing window(s) did not appear" >&2
  exit 1
fi
