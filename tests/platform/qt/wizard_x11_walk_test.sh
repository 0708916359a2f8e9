#!/usr/bin/env bash
# The wizard walked as a user walks it, on a real X server: `vdinv wizard FILE` on an X server
# in memory (Xvfb, no window manager), driven only through X input (xdotool): clicks at the
# controls' places on screen and typed keys. From a fresh block: modify the devices, add device
# 12 through the number edit and the add button, type a reply time-out of 500 ms and leave the
# serial page with Enter, finish. vdinv must save the block, and the block must hold device 0,
# device 12 and the new time-out.
#   wizard_x11_walk_test.sh VDINV WORKDIR [SHOTDIR]
#   wizard_x11_walk_test.sh --stop WORKDIR
# With SHOTDIR (or $VDINV_WALK_SHOTS) a picture of the screen is saved there at every page.
# Exits 77 (skipped) when Xvfb or xdotool is missing. Every wait is bounded; the X server and
# vdinv are ended by their process ids whatever happens, and while they run their ids are in
# WORKDIR/*.pid, so that --stop (CTest's clean-up test) ends them after a walk that was killed.
set -euo pipefail
if [[ ${1:-} == --stop ]]; then
  for file in "$2"/*.pid; do
    [[ -e $file ]] || continue
    kill "$(cat "$file")" 2>/dev/null || true
    rm -f "$file"
  done
  exit 0
fi
vdinv=$1
work=$2
shots=${3:-${VDINV_WALK_SHOTS:-}}

for tool in Xvfb xdotool xauth; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (scripts/setup.sh installs it)"
    exit 77
  fi
done

rm -rf "$work"
mkdir -p "$work"
cd "$work"  # the driver's log and settings fall back to the working directory
if [[ -n $shots ]]; then
  mkdir -p "$shots"
  shots=$(cd "$shots" && pwd)
fi

xvfb_pid=""
vdinv_pid=""
stop() {
  local pid=$1
  [[ -n $pid ]] || return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
cleanup() {
  stop "$vdinv_pid"
  stop "$xvfb_pid"
  rm -f xvfb.pid vdinv.pid
}
trap cleanup EXIT
trap 'exit 1' INT TERM

step="starting"
fail() {
  echo "FAILED at $step: $*" >&2
  if [[ -n ${DISPLAY:-} ]]; then
    echo "windows on the screen:" >&2
    timeout 5 xdotool search --onlyvisible --name . getwindowname %@ >&2 2>/dev/null || true
  fi
  for log in vdinv.err vdinv.out xvfb.log; do
    [[ -s $log ]] && { echo "--- $log" >&2; cat "$log" >&2; }
  done
  exit 1
}

# A server of our own, open only to holders of its cookie. The server takes every cookie in
# its file whatever display the entry names; the client looks the entry up by display number,
# which -displayfd tells once the server accepts connections.
unset DISPLAY
export XAUTHORITY=$work/xauthority
cookie=$(mcookie)
: >"$XAUTHORITY"
xauth -q -f "$XAUTHORITY" add :0 MIT-MAGIC-COOKIE-1 "$cookie"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset -auth "$XAUTHORITY" \
  3>display.txt >xvfb.log 2>&1 &
xvfb_pid=$!
echo "$xvfb_pid" >xvfb.pid
number=""
for _ in $(seq 200); do
  number=$(cat display.txt 2>/dev/null || true)
  [[ -n $number ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
[[ -n $number ]] || fail "Xvfb gave no display number within 10 s"
xauth -q -f "$XAUTHORITY" add ":$number" MIT-MAGIC-COOKIE-1 "$cookie"
export DISPLAY=":$number"
for _ in $(seq 100); do
  timeout 2 xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
timeout 2 xdotool getdisplaygeometry >/dev/null 2>&1 || fail "display $DISPLAY refuses clients"

# Qt on X11, one screen pixel per pixel of the plans, so a control is where its plan puts it.
export QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0 QT_SCALE_FACTOR=1
unset WAYLAND_DISPLAY
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# In the sanitizer builds: fontconfig and D-Bus, under Qt, keep what they set up until the
# process ends; Qt and the libraries under it on X11 (xcb, GLib, D-Bus) are not built for
# ThreadSanitizer, which therefore cannot see how their threads (X11's event reader, the D-Bus
# connection) hand work over.
printf 'leak:libfontconfig.so\nleak:libdbus-1.so\n' >lsan.supp
printf 'race:%s\n' libQt6Core.so libQt6Gui.so libQt6Widgets.so libQt6XcbQpa.so libQt6DBus.so \
  libxcb.so libglib-2.0.so libdbus-1.so libfontconfig.so >tsan.supp
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp
export TSAN_OPTIONS=${TSAN_OPTIONS:+$TSAN_OPTIONS:}suppressions=$work/tsan.supp

shot_count=0
shot() {
  [[ -n $shots ]] || return 0
  shot_count=$((shot_count + 1))
  local file
  file=$shots/$(printf '%02d' "$shot_count")-$1.png
  sleep 0.3  # the last input's effect painted
  if command -v import >/dev/null; then
    timeout 10 import -window root "$file" || fail "no picture of the screen"
  else
    timeout 10 xwd -root -silent | convert xwd:- "$file" || fail "no picture of the screen"
  fi
}

# The window with exactly this caption, once it is shown; it gets the keyboard. Without a
# window manager a top-level window's place is that of its client area, the origin of the
# plans' places.
window=""
window_x=0
window_y=0
page() {
  local caption=$1 found X Y WIDTH HEIGHT
  step="page \"$caption\""
  for _ in $(seq 100); do
    found=$(timeout 5 xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null || true)
    [[ -n $found ]] && break
    kill -0 "$vdinv_pid" 2>/dev/null || fail "vdinv ended before the page was shown"
    sleep 0.2
  done
  [[ -n $found ]] || fail "no such window within 20 s"
  window=$(head -n1 <<<"$found")
  eval "$(xdotool getwindowgeometry --shell "$window")"
  [[ $WIDTH == 520 && $HEIGHT == 380 ]] || fail "a page of ${WIDTH}x$HEIGHT, not 520x380"
  window_x=$X
  window_y=$Y
  timeout 5 xdotool windowfocus --sync "$window" || fail "the page does not take the keyboard"
}

# A click 8 pixels inside the left edge of a control and halfway down: inside a button or an
# edit, on the indicator of an option. LEFT and TOP are the plan's place in the page (a
# control in a group: the group's place plus its own).
click() {
  local left=$1 top=$2 height=$3
  timeout 5 xdotool mousemove --sync $((window_x + left + 8)) $((window_y + top + height / 2)) \
    click 1 || fail "no click at ($left, $top)"
}

# Replaces the text of the focused edit.
retype() {
  timeout 5 xdotool key --clearmodifiers ctrl+a || fail "no ctrl+a"
  timeout 10 xdotool type --clearmodifiers --delay 30 "$1" || fail "could not type $1"
}

# The plans' places (pixels at 96 dpi in the page): the step buttons' row, the device list's
# model group, the serial page's group of settings.
readonly button_top=340 button_height=25 next_x=332 edit_height=22
readonly model_group_x=224 model_group_y=68 settings_x=320 settings_y=64

"$vdinv" pdb new line.pdb >/dev/null
"$vdinv" wizard line.pdb >vdinv.out 2>vdinv.err &
vdinv_pid=$!
echo "$vdinv_pid" >vdinv.pid

page "富士变频器向导：选择执行的操作方式"
shot start
click 24 130 20  # ModifyOp
click $next_x $button_top $button_height

page "富士变频器向导：修改变频器参数或删除变频器"
shot modify-list
click $((model_group_x + 100)) $((model_group_y + 54)) $edit_height  # IDEd
retype 12
click 232 204 $button_height  # AddBtn
shot device-12-added
click $next_x $button_top $button_height

page "富士变频器向导：修改计算机串行口通讯参数"
click $((settings_x + 10)) $((settings_y + 44)) $edit_height  # OutTimeEd
retype 500
shot time-out-typed
timeout 5 xdotool key --clearmodifiers Return || fail "no Enter"

page "富士变频器向导：向导退出前的确认"
shot summary
click $next_x $button_top $button_height  # FinishBtn

step="vdinv's end"
for _ in $(seq 150); do
  kill -0 "$vdinv_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$vdinv_pid" 2>/dev/null && fail "vdinv still runs 15 s after 完成"
status=0
wait "$vdinv_pid" || status=$?
vdinv_pid=""
[[ $status == 0 ]] || fail "vdinv wizard exited with $status"
grep -q '^DLLEdDev: 1 ' vdinv.out || fail "the driver did not answer 1"

step="the saved block"
"$vdinv" pdb show line.pdb >block.txt
failed=0
expect() {
  grep -Eq "$1" block.txt || {
    echo "not in the saved block: $1" >&2
    failed=1
  }
}
expect '^OutTime: +500 ms$'
expect '^Devices in use: 2$'
expect '^ +0 +0 +"G11S"$'
expect '^ +12 +0 +"G11S"$'
((failed == 0)) || fail "$(cat block.txt)"
echo "saved: devices 0 and 12, time-out 500 ms"
