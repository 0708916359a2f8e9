#!/usr/bin/env bash
# Sets up, builds and runs the address fuzz target for a bounded time: fuzz.sh [SECONDS]
# (default 60). The corpus grows in build-fuzz/corpus/address; a crash leaves its input in
# build-fuzz/artifacts/ and makes the script fail.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DVDINV_FUZZ=ON \
  -DVDINV_TESTS=OFF "-DVDINV_SANITIZE=address,undefined" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target address_fuzz

corpus=build-fuzz/corpus/address
mkdir -p "$corpus" build-fuzz/artifacts
# Seeds: the address forms the driver knows, in GBK (byte 0 = 0: analog tag, empty name).
i=0
for seed in 'F1:5' 'f1\xa3\xba5' 'F5' 'F1:' 'F1:.3' 'F1:43' 'H1:2' 'CommErr3:' 'X1:2' 'F7:5' 'F:5' \
  'F1:5.0.7.x' 'F1:5.0.7.8.9' 'F1:5\xa1\xa30\xa1\xa37' 'COMMLINK' 'DEVICELINK7' 'ENDEVICELINK12' 'ENLOG'; do
  printf '\0%b' "$seed" >"$corpus/seed$i"
  i=$((i + 1))
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TMPDIR=$tmp build-fuzz/fuzz/address_fuzz -max_total_time="$seconds" -max_len=512 \
  -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1 "$corpus"
