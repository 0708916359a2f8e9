#!/usr/bin/env bash
# Sets everything up, checks the format of every source file, builds from scratch and runs
# every test: the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, again under
# ThreadSanitizer, once more in an ordinary build, a short run of every fuzz target over its
# committed seeds, and the 32-bit Windows module with its tests under Wine.
#
# Every stage configures its own build directory with every option spelled out, so that a
# directory left by another script (the demo builds without tests) never decides what runs, and
# ctest fails a stage that found no test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1

options=(-DVDINV_TESTS=ON -DVDINV_BENCH=OFF -DVDINV_FUZZ=OFF)
run_suite() {
  ctest --test-dir "$1" --output-on-failure --no-tests=error -j"$(nproc)" "${@:2}"
}

# The quick stage first: every source file as the house format (.clang-format) has it.
echo "== format"
source_dirs=(src tests tools bench fuzz)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z -- "${source_dirs[@]/%//*.h}" "${source_dirs[@]/%//*.cpp}"
else
  find "${source_dirs[@]}" \( -name '*.h' -o -name '*.cpp' \) -print0
fi | xargs -0 -r clang-format --dry-run -Werror

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build.sh build-asan "${options[@]}" -DCMAKE_BUILD_TYPE=Debug \
  "-DVDINV_SANITIZE=address,undefined"
run_suite build-asan

# The soak runs a single thread for a long simulated time: nothing there for ThreadSanitizer,
# which would only make it ten times slower.
echo "== ThreadSanitizer"
scripts/build.sh build-tsan "${options[@]}" -DCMAKE_BUILD_TYPE=Debug -DVDINV_SANITIZE=thread
run_suite build-tsan -LE soak

echo "== ordinary build"
scripts/build.sh build "${options[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVDINV_SANITIZE=
run_suite build

echo "== fuzz targets, a short run of each over its seeds"
scripts/fuzz-smoke.sh

echo "== Windows module under Wine"
scripts/test-windows.sh build-win
