#!/usr/bin/env bash
# Sets everything up, checks the format of every source file, builds from scratch and runs
# every test: one workflow of CMakePresets.json per stage, each configuring its own build
# directory with every option spelled out (so that a directory left by another script, such as
# the demo's build without tests, never decides what runs), building it and running CTest with
# --no-tests=error. `cmake --workflow --preset NAME` runs one stage by hand as this does.
#   asan     the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan)
#   tsan     the whole suite under ThreadSanitizer but the soak (build-tsan)
#   default  the whole suite in an ordinary optimised build (build)
#   fuzz     every fuzz target a few seconds over its committed seeds (build-fuzz)
#   win      the 32-bit Windows module with its tests under Wine (build-win)
# test.sh STAGE... runs only those stages (and "format", the check of the source files' format),
# after the same installation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/setup-windows.sh" --wine
cd "$root"
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}

# The quick stage first: every source file as the house format (.clang-format) has it.
check_format() {
  local source_dirs=(src tests tools bench fuzz)
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- "${source_dirs[@]/%//*.h}" "${source_dirs[@]/%//*.cpp}"
  else
    find "${source_dirs[@]}" \( -name '*.h' -o -name '*.cpp' \) -print0
  fi | xargs -0 -r clang-format --dry-run -Werror
}

stages=("$@")
[[ ${#stages[@]} -gt 0 ]] || stages=(format asan tsan default fuzz win)
for stage in "${stages[@]}"; do
  echo "== $stage"
  if [[ $stage == format ]]; then
    check_format
  else
    cmake --workflow --preset "$stage"
  fi
done
