#!/usr/bin/env bash
# The Windows stage of the test command: test-windows.sh [DIR] [cmake options]  (default
# build-win). Installs what is missing, builds the Linux simulator (in build/ when that is
# configured, else in DIR/linux-tools), cross-builds the module, its tools and tests into DIR,
# makes a fresh Wine prefix (DIR/wine-prefix) with COM1 mapped to the link DIR/wine-com1, and
# runs CTest there: the unit suite, the module's exports and imports, and the module on a
# simulated line.
#
# COM1 is mapped in the prefix's registry and the prefix's server ended before anything of ours
# runs in it: the services link COM1 when they start, and Wine's default COM1 is the machine's
# own /dev/ttyS0. A persistent server and the services started ahead of CTest keep every test
# program's start short and keep the services out of CTest's output pipes, on which CTest
# would otherwise wait for ever. The server, and a simulator a test left, end whatever happens.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-win}
[[ $# -gt 0 ]] && shift
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/setup-windows.sh" --wine

seconds() { date +%s; }
stage_start=$(seconds)
step() { echo "-- $1 ($(($(seconds) - stage_start)) s)"; }

step "the Linux simulator"
# The ordinary build of the test command has it (brought up to date here); else a build of its
# own.
tools=$root/build
if [[ ! -f $tools/CMakeCache.txt ]]; then
  tools=$dir/linux-tools
  cmake -S "$root" -B "$tools" -DCMAKE_BUILD_TYPE=Release -DVDINV_TESTS=OFF -DVDINV_BENCH=OFF \
    -DVDINV_FUZZ=OFF -DVDINV_SANITIZE= >/dev/null
fi
cmake --build "$tools" -j"$(nproc)" --target invsim >/dev/null

step "the cross-build"
"$root/scripts/build-windows.sh" "$dir" -DVDINV_TESTS=ON -DVDINV_LINUX_TOOLS="$tools" \
  "$@" >/dev/null

export WINEPREFIX=$dir/wine-prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
server=""
cleanup() {
  wineserver -k 2>/dev/null || true  # this prefix's processes only
  [[ -n $server ]] && { kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; }
  local sim
  sim=$(cat "$dir/tests/wine_module_line/invsim.pid" 2>/dev/null || true)
  [[ -n $sim ]] && kill "$sim" 2>/dev/null || true
}
trap cleanup EXIT

step "a fresh prefix with COM1 mapped"
rm -rf "$WINEPREFIX"
wineboot -i >"$dir/wineboot-init.log" 2>&1
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$dir/wine-com1" /f >/dev/null
wineserver -w
# -f: a daemon would take a pseudo-terminal as its controlling terminal and dump its state when
# the simulator hangs it up.
wineserver -f -p >"$dir/wineserver.log" 2>&1 &
server=$!
wine wineboot >"$dir/wineboot.log" 2>&1
if [[ $(readlink "$WINEPREFIX/dosdevices/com1") != "$dir/wine-com1" ]]; then
  echo "test-windows: COM1 of $WINEPREFIX is not mapped to $dir/wine-com1" >&2
  exit 1
fi

step "the tests under Wine"
ctest --test-dir "$dir" --output-on-failure --no-tests=error --timeout 300 -j"$(nproc)"
step "done"
