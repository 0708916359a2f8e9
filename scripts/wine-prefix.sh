# A fresh Wine prefix with COM1 mapped to a link of the Linux side, and Wine's server and
# services running in it; sourced by the scripts that run Windows programs on a simulated line:
#   . scripts/wine-prefix.sh; start_wine_prefix DIR
# makes DIR/wine-prefix (exported as WINEPREFIX) with COM1 mapped to DIR/wine-com1 and adds
# stop_wine_prefix, which ends the prefix's server and processes, to the caller's EXIT trap.
#
# COM1 is mapped in the prefix's registry and the prefix's server ended before anything of ours
# runs in it: the services link COM1 when they start, and Wine's default COM1 is the machine's
# own /dev/ttyS0. A persistent server and the services started ahead of the programs keep every
# program's start short and keep the services out of the callers' output pipes, on which CTest
# would otherwise wait for ever.

wine_server_pid=""

stop_wine_prefix() {
  wineserver -k 2>/dev/null || true  # this prefix's processes only
  if [[ -n $wine_server_pid ]]; then
    kill "$wine_server_pid" 2>/dev/null || true
    wait "$wine_server_pid" 2>/dev/null || true
  fi
}

start_wine_prefix() {
  local dir=$1
  export WINEPREFIX=$dir/wine-prefix WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  wineboot -i >"$dir/wineboot-init.log" 2>&1
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$dir/wine-com1" /f >/dev/null
  wineserver -w
  # -f: a daemon would take a pseudo-terminal as its controlling terminal and dump its state
  # when the simulator hangs it up.
  wineserver -f -p >"$dir/wineserver.log" 2>&1 &
  wine_server_pid=$!
  wine wineboot >"$dir/wineboot.log" 2>&1
  if [[ $(readlink "$WINEPREFIX/dosdevices/com1") != "$dir/wine-com1" ]]; then
    echo "COM1 of $WINEPREFIX is not mapped to $dir/wine-com1" >&2
    return 1
  fi
}
