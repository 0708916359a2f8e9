#!/usr/bin/env bash
# Sets up, builds the benchmarks in an optimised build (the preset "bench", in build-bench) and
# runs them. Extra arguments go to the benchmark program (e.g. --benchmark_filter=Initialise).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
cmake --preset bench >/dev/null
cmake --build --preset bench
"$root/build-bench/bench/vdinv_bench" "$@"
