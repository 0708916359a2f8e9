#!/usr/bin/env bash
# Sets up, builds and runs a fuzz target for a bounded time: fuzz.sh [SECONDS] [TARGET]
# (default 60 seconds, target "address"; "reply" is the reply search). The corpus grows in
# build-fuzz/corpus/TARGET; a crash leaves its input in build-fuzz/artifacts/ and makes the
# script fail.
set -euo pipefail
seconds=${1:-60}
target=${2:-address}
case "$target" in
  address | reply) ;;
  *) echo "fuzz.sh: unknown target '$target' (address or reply)" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DVDINV_FUZZ=ON \
  -DVDINV_TESTS=OFF "-DVDINV_SANITIZE=address,undefined" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${target}_fuzz"

corpus=build-fuzz/corpus/$target
mkdir -p "$corpus" build-fuzz/artifacts
i=0
if [ "$target" = reply ]; then
  # Seeds: station, group, code and mode bytes, then received text: the reply to a read of F03
  # on station 1, the request's echo before it, a reply cut short, a NAK; with mode 1 the
  # target appends a well-formed reply itself.
  for seed in '\x01\x00\x03\x00\x0101\x06RF03 0BB8\x0371' \
    '\x01\x00\x03\x00\x0101\x05RF03 0000\x0344\x0101\x06RF03 0BB8\x0371' \
    '\x01\x00\x03\x00\x0101\x06RF03 0BB8\x03' '\x0c\x85\x01\x00\x0112\x15WS01 004C\x037D' \
    '\x01\x00\x03\x01noise' '\x05\x02\x07\x0f0BB8'; do
    printf '%b' "$seed" >"$corpus/seed$i"
    i=$((i + 1))
  done
else
  # Seeds: the address forms the driver knows, in GBK (byte 0 = 0: analog tag, empty name).
  for seed in 'F1:5' 'f1\xa3\xba5' 'F5' 'F1:' 'F1:.3' 'F1:43' 'H1:2' 'CommErr3:' 'X1:2' 'F7:5' 'F:5' \
    'F1:5.0.7.x' 'F1:5.0.7.8.9' 'F1:5\xa1\xa30\xa1\xa37' 'COMMLINK' 'DEVICELINK7' 'ENDEVICELINK12' 'ENLOG'; do
    printf '\0%b' "$seed" >"$corpus/seed$i"
    i=$((i + 1))
  done
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TMPDIR=$tmp "build-fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=512 \
  -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1 "$corpus"
