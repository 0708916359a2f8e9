#!/usr/bin/env bash
# The Windows stage of the test command: test-windows.sh [DIR] [cmake options]  (default
# build-win). Installs what is missing, builds the Linux simulator (in build/ when that is
# configured, else in DIR/linux-tools), cross-builds the module, its tools and tests into DIR,
# makes a fresh Wine prefix (DIR/wine-prefix) with COM1 mapped to the link DIR/wine-com1, and
# runs CTest there with an X server in memory (Xvfb) for the windows: the unit suite (with the
# window toolkit's forms), the module's exports and imports, and the module on a simulated line.
#
# The server, and a simulator a test left, end whatever happens.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-win}
[[ $# -gt 0 ]] && shift
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/setup-windows.sh" --wine
# shellcheck source=wine-line.sh
. "$root/scripts/wine-line.sh"

seconds() { date +%s; }
stage_start=$(seconds)
step() { echo "-- $1 ($(($(seconds) - stage_start)) s)"; }

step "the Linux simulator"
# The ordinary build of the test command has it (brought up to date here).
tools=$(linux_simulator "$root" "$dir")

step "the cross-build"
"$root/scripts/build-windows.sh" "$dir" -DVDINV_TESTS=ON -DVDINV_LINUX_TOOLS="$tools" \
  "$@" >/dev/null

cleanup() {
  stop_wine_prefix
  stop_display
  local test sim
  for test in wine_module_line wine_wizard_walk; do
    sim=$(cat "$dir/tests/$test/invsim.pid" 2>/dev/null || true)
    [[ -n $sim ]] && kill "$sim" 2>/dev/null || true
  done
}
trap cleanup EXIT

step "an X server for the windows"
start_display "$dir"

step "a fresh prefix with COM1 mapped"
start_wine_prefix "$dir"

step "the tests under Wine"
ctest --test-dir "$dir" --output-on-failure --no-tests=error --timeout 300 -j"$(nproc)"
step "done"
