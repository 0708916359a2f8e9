#!/usr/bin/env bash
# Builds the user guide of the configuration windows from docs/help into OUTDIR, laid out as a
# host installation's help folder keeps it:
#   OUTDIR/VD_Inv.chm   the compiled help for Windows (help\VD_Inv.chm under the host's
#                       installation directory), pages in GBK, the Windows pictures
#   OUTDIR/VD_Inv/      the same pages as HTML for Linux (help/VD_Inv/index.html), UTF-8, the
#                       Linux pictures
#
#   build-help.sh [--html-only | --chm-only] [--no-install] OUTDIR
#
# The compiled help needs chmcmd (Debian's fp-utils), installed with apt-get when missing unless
# --no-install is given (the build calls it so: it never installs anything). $CHMCMD names
# another chmcmd. The CHM is checked after it is built: its header, and every page and picture
# in its directory.
set -euo pipefail

html=1
chm=1
install=1
while [[ ${1:-} == --* ]]; do
  case $1 in
    --html-only) chm=0 ;;
    --chm-only) html=0 ;;
    --no-install) install=0 ;;
    *)
      echo "build-help: unknown option $1" >&2
      exit 2
      ;;
  esac
  shift
done
if [[ $# -ne 1 ]]; then
  echo "usage: build-help.sh [--html-only | --chm-only] [--no-install] OUTDIR" >&2
  exit 2
fi
out=$1
root="$(cd "$(dirname "$0")/.." && pwd)"
source_dir="$root/docs/help"
shots="$root/docs/screenshots"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# The picture each page shows, from the screenshots of each system's windows:
# name in the guide, Linux screenshot, Windows screenshot. The Linux pictures show no advanced
# test window; its controls are the same, so the Windows picture stands in.
pictures=(
  "start linux-1-start windows-1-start"
  "connection linux-2-connection windows-4-connection"
  "single linux-3-single-device windows-5-single"
  "devicelist-create linux-4-device-list windows-6-several"
  "devicelist-modify linux-5-modify-list windows-3-modify"
  "serial linux-6-serial windows-7-serial"
  "summary linux-7-summary windows-8-summary"
  "debug linux-8-debug windows-2-debug"
  "test linux-9-test-window windows-9-test"
  "test-advanced windows-10-test-advanced windows-10-test-advanced"
)
# copy_pictures DIR COLUMN: COLUMN 1 for Linux, 2 for Windows.
copy_pictures() {
  mkdir -p "$1/images"
  local line fields
  for line in "${pictures[@]}"; do
    read -ra fields <<<"$line"
    cp "$shots/${fields[$2]}.png" "$1/images/${fields[0]}.png"
  done
}

pages=()
for page in "$source_dir"/*.html; do pages+=("$(basename "$page")"); done

if ((html)); then
  rm -rf "$out/VD_Inv"
  mkdir -p "$out/VD_Inv"
  cp "${pages[@]/#/$source_dir/}" "$source_dir/style.css" "$out/VD_Inv/"
  copy_pictures "$out/VD_Inv" 1
  echo "build-help: $out/VD_Inv/index.html"
fi

((chm)) || exit 0

chmcmd=${CHMCMD:-chmcmd}
if ! command -v "$chmcmd" >/dev/null; then
  if ((install)); then
    echo "build-help: installing fp-utils (chmcmd)"
    SUDO=""
    [[ $(id -u) -ne 0 ]] && SUDO="sudo"
    $SUDO apt-get update -q >/dev/null
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q fp-utils >/dev/null
  else
    echo "build-help: no chmcmd (Debian package fp-utils); the compiled help is not built" >&2
    exit 1
  fi
fi

# The help viewer reads a page in the code page of the help file's language (936 for Chinese),
# so the compiled pages, contents, index and project are GBK and say so; the sources stay UTF-8.
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
for file in "${pages[@]}" VD_Inv.hhc VD_Inv.hhk VD_Inv.hhp; do
  sed 's/charset=utf-8/charset=gb2312/' "$source_dir/$file" | iconv -f UTF-8 -t GBK >"$stage/$file" || {
    echo "build-help: docs/help/$file holds a character that GBK cannot hold" >&2
    exit 1
  }
done
cp "$source_dir/style.css" "$stage/"
copy_pictures "$stage" 2
(cd "$stage" && "$chmcmd" --verbosity 1 VD_Inv.hhp >"$stage/chmcmd.log" 2>&1) || {
  cat "$stage/chmcmd.log" >&2
  echo "build-help: chmcmd failed" >&2
  exit 1
}

# A compiled help file starts with "ITSF" and keeps its directory (the names of its files)
# uncompressed, so every page and picture must be named there.
chmfile="$stage/VD_Inv.chm"
if [[ ! -s $chmfile || $(head -c 4 "$chmfile") != ITSF ]]; then
  echo "build-help: $chmfile is not a compiled help file" >&2
  exit 1
fi
for file in "${pages[@]}" style.css images/start.png images/test-advanced.png; do
  if ! grep -aqF "/$file" "$chmfile"; then
    echo "build-help: $file is missing from the compiled help" >&2
    exit 1
  fi
done
mv "$chmfile" "$out/VD_Inv.chm"
echo "build-help: $out/VD_Inv.chm"
