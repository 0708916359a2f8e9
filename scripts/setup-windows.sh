#!/usr/bin/env bash
# Installs what the 32-bit Windows build needs, from Debian's packages, with --wine also what
# its tests under Wine need and with --x86_64 the 64-bit compiler; does nothing when all is
# there. Run as root (or with sudo).
#   setup-windows.sh [--wine] [--x86_64]
set -euo pipefail

# The posix thread model of MinGW-w64 (GCC 12's win32 model has no std::thread), GoogleTest's
# sources (built for the target) and CLI11's headers.
packages=(cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest libcli11-dev)
for option in "$@"; do
  case $option in
    # wine32 is an i386 package; fonts-wine gives Wine's own fonts. The forms are shown on an X
    # server in memory (xvfb), in a font with the Chinese glyphs (fonts-wqy-microhei).
    # locales: Wine runs in the Chinese locale (code page 936), which must exist for Wine to
    # pass file names and arguments beyond ASCII between the two systems.
    --wine) packages+=(wine wine32:i386 fonts-wine locales xvfb fonts-wqy-microhei) ;;
    --x86_64) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64) ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
SUDO=""
[[ $(id -u) -ne 0 ]] && SUDO="sudo"
chinese_locale() {
  [[ " $* " == *" --wine "* ]] || return 0
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf-\?8' && return 0
  echo "setup-windows: making the locale zh_CN.UTF-8"
  $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}
if ((${#missing[@]} == 0)); then
  chinese_locale "$@"
  exit 0
fi

echo "setup-windows: installing ${missing[*]}"
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
# Without the recommends: 160 packages fewer, none of which the build or the tests use.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
chinese_locale "$@"
