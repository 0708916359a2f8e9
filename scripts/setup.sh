#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages; does nothing when all is
# there already. Run as root (or with sudo) on a fresh Debian machine. Further package names
# given as arguments are installed as well (the screenshots' font, say).
set -euo pipefail

# xvfb, xauth and xdotool: the wizard walked through X input on an X server in memory.
packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev clang
          libclang-rt-14-dev clang-format qt6-base-dev xvfb xauth xdotool "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
