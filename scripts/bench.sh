#!/usr/bin/env bash
# Sets up, builds the benchmarks in an optimised build and runs them. Extra arguments go to
# the benchmark program (e.g. --benchmark_filter=Initialise).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DVDINV_BENCH=ON \
  -DVDINV_TESTS=OFF >/dev/null
cmake --build "$root/build-bench" -j"$(nproc)" --target vdinv_bench
"$root/build-bench/bench/vdinv_bench" "$@"
