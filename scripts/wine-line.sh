# The Linux side of a simulated line under Wine, sourced by the scripts that run Windows
# programs on one (tests/module/wine/wine_session.sh, bench-wine.sh, screenshots-windows.sh):
#   linux_simulator ROOT DIR   echoes the directory of a Linux build with an up-to-date invsim:
#                              ROOT/build when it is configured, else DIR/linux-tools
#   start_wine_prefix DIR      makes a fresh prefix DIR/wine-prefix (exported as WINEPREFIX) with
#                              COM1 mapped to the link DIR/wine-com1, Wine's server and services
#                              running in it
#   stop_wine_prefix           ends that prefix's server and processes (for the caller's trap)
#   start_display DIR          starts an X server in memory (Xvfb) for the windows of the Wine
#                              programs and exports its DISPLAY; before start_wine_prefix, so that
#                              the prefix's desktop uses it as well
#   stop_display               ends that X server (for the caller's trap, after stop_wine_prefix)
#
# COM1 is mapped in the prefix's registry and the prefix's server ended before anything of ours
# runs in it: the services link COM1 when they start, and Wine's default COM1 is the machine's
# own /dev/ttyS0. A persistent server and the services started ahead of the programs keep every
# program's start short and keep the services out of the callers' output pipes, on which CTest
# would otherwise wait for ever.

wine_server_pid=""
display_pid=""

linux_simulator() {
  local root=$1 tools=$1/build
  if [[ ! -f $tools/CMakeCache.txt ]]; then
    tools=$2/linux-tools
    local launcher=()
    if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
    cmake -S "$root" -B "$tools" -DCMAKE_BUILD_TYPE=Release -DVDINV_TESTS=OFF -DVDINV_BENCH=OFF \
      -DVDINV_FUZZ=OFF -DVDINV_SANITIZE= "${launcher[@]}" >/dev/null
  fi
  cmake --build "$tools" -j"$(nproc)" --target invsim >/dev/null
  echo "$tools"
}

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
  # No window manager runs on the X server of start_display: windows Wine leaves to one are
  # drawn by Wine itself, and hiding one would wait two seconds for a manager's answer.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
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

start_display() {
  local dir=$1 number=""
  rm -f "$dir/xvfb.display"
  # -displayfd: the server picks a free display number and writes it once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/xvfb.display" \
    >"$dir/xvfb.log" 2>&1 &
  display_pid=$!
  for _ in $(seq 200); do
    number=$(cat "$dir/xvfb.display" 2>/dev/null || true)
    [[ -n $number ]] && break
    kill -0 "$display_pid" 2>/dev/null || break
    sleep 0.05
  done
  if [[ -z $number ]]; then
    echo "Xvfb did not start (see $dir/xvfb.log)" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

stop_display() {
  if [[ -n $display_pid ]]; then
    kill "$display_pid" 2>/dev/null || true
    wait "$display_pid" 2>/dev/null || true
  fi
}
