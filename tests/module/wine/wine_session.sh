#!/usr/bin/env bash
# The Wine side of the Windows test run, as CTest's set-up and clean-up tests call it:
#   wine_session.sh COMMAND DIR
#   start-display    an X server in memory (Xvfb) for the windows; its display number in
#                    DIR/xvfb.display (cmake/wine-run.sh takes it from VDINV_DISPLAY_FILE), its
#                    process id in DIR/xvfb.pid
#   start-prefix     a fresh prefix DIR/wine-prefix with COM1 mapped to the link DIR/wine-com1,
#                    its persistent server (process id in DIR/wineserver.pid) and services
#                    running on that display
#   stop-prefix, stop-display
#                    end what the start commands left
#   stop-simulators  ends every simulator a line test left (DIR/tests/*/invsim.pid)
#   build-simulator  builds invsim in the Linux build DIR, configured first as the preset
#                    "default" (the ordinary build) when it is not
# The servers outlive the set-up test that starts them; their output goes to logs in DIR, never
# to CTest's pipes.
set -euo pipefail
command=$1
dir=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
# shellcheck source=SCRIPTDIR/../../../scripts/wine-line.sh
. "$root/scripts/wine-line.sh"

# Ends the process whose id FILE holds, waiting up to 5 s before it is killed outright.
stop_pid_file() {
  local file=$1 pid
  pid=$(cat "$file" 2>/dev/null || true)
  rm -f "$file"
  [[ -n $pid ]] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null || true
}

stop_prefix() {
  WINEPREFIX=$dir/wine-prefix wineserver -k 2>/dev/null || true  # this prefix's processes only
  stop_pid_file "$dir/wineserver.pid"
}

case $command in
  start-display)
    stop_pid_file "$dir/xvfb.pid"  # a server an interrupted run left
    start_display "$dir"
    echo "$display_pid" >"$dir/xvfb.pid"
    echo "Xvfb on $DISPLAY"
    ;;
  stop-display)
    stop_pid_file "$dir/xvfb.pid"
    rm -f "$dir/xvfb.display"
    ;;
  start-prefix)
    stop_prefix  # a server an interrupted run or the listing of the tests left
    number=$(cat "$dir/xvfb.display" 2>/dev/null || true)
    if [[ -n $number ]]; then export DISPLAY=:$number; else unset DISPLAY; fi
    start_wine_prefix "$dir"
    echo "$wine_server_pid" >"$dir/wineserver.pid"
    echo "$WINEPREFIX: COM1 -> $dir/wine-com1"
    ;;
  stop-prefix) stop_prefix ;;
  stop-simulators)
    for file in "$dir"/tests/*/invsim.pid; do
      [[ -e $file ]] || continue
      stop_pid_file "$file"
    done
    ;;
  build-simulator)
    if [[ ! -f $dir/CMakeCache.txt ]]; then
      (cd "$root" && cmake --preset default -B "$dir" >/dev/null)
    fi
    cmake --build "$dir" --target invsim >/dev/null
    ;;
  *)
    echo "wine_session.sh: unknown command '$command'" >&2
    exit 2
    ;;
esac
