# Shared by scripts/fuzz.sh and scripts/fuzz-smoke.sh (sourced): the fuzz targets, their longest
# input, and the clang build with AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz
# (the preset "fuzz" of CMakePresets.json, which also holds the -O1 of its debug flags).
fuzz_targets=(address reply pdb tags write line ini)

# The longest input a target reads: the parameter block is 26508 bytes.
fuzz_max_len() {
  case "$1" in
    address | reply) echo 512 ;;
    pdb) echo 26508 ;;
    *) echo 4096 ;;
  esac
}

fuzz_known() {
  local t
  for t in "${fuzz_targets[@]}"; do [ "$t" = "$1" ] && return 0; done
  return 1
}

# Configures build-fuzz (the preset "fuzz") and builds the named targets (NAME_fuzz).
fuzz_build() {
  local names=()
  local t
  for t in "$@"; do names+=("${t}_fuzz"); done
  cmake --preset fuzz >/dev/null
  CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)} cmake --build --preset fuzz --target "${names[@]}"
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
