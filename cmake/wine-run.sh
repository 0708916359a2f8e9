#!/bin/sh
# Runs a Windows program under Wine: the prefix WINEPREFIX, no Wine debug output, the ANSI code
# page 936 (GBK) through the Chinese locale, and no prompts to install Mono or Gecko.
#
# The prefix must be named: a prefix that Wine makes by itself maps COM1 to the machine's own
# /dev/ttyS0, where a test would talk to whatever is attached. The Windows tests' set-up tests
# (tests/module/wine/wine_session.sh) and scripts/bench-wine.sh make one with COM1 mapped to the
# simulator's link.
#
# VDINV_DISPLAY_FILE names the file in which the tests' X server wrote its display number; the
# programs use that display, and none while the file is missing.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run.sh: set WINEPREFIX to a prefix whose COM1 is mapped (scripts/test-windows.sh makes one)" >&2
  exit 125
fi
if [ -n "${VDINV_DISPLAY_FILE:-}" ]; then
  if [ -s "$VDINV_DISPLAY_FILE" ]; then
    DISPLAY=:$(cat "$VDINV_DISPLAY_FILE")
    export DISPLAY
  else
    unset DISPLAY
  fi
fi
: "${WINEARCH:=win32}"
export WINEPREFIX WINEARCH WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=zh_CN.UTF-8
exec wine "$@"
