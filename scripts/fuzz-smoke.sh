#!/usr/bin/env bash
# Builds every fuzz target with clang, AddressSanitizer and UndefinedBehaviorSanitizer (the
# preset "fuzz", in build-fuzz) and runs each for a short time (fuzz-smoke.sh [SECONDS], default
# 6) from its committed seeds in fuzz/corpus/TARGET, including every regression input in
# fuzz/regressions/TARGET: the workflow "fuzz", whose tests (fuzz_smoke_TARGET) are these runs.
# Fails on any finding; the crashing input is left in build-fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}
VDINV_FUZZ_SECONDS=${1:-6} cmake --workflow --preset fuzz
