#!/usr/bin/env bash
# Builds every fuzz target with clang, AddressSanitizer and UndefinedBehaviorSanitizer and runs
# each for a short time (fuzz-smoke.sh [SECONDS], default 6) from its committed seeds in
# fuzz/corpus/TARGET, including every regression input in fuzz/regressions/TARGET. Fails on
# any finding; the crashing input is left in build-fuzz/artifacts/.
set -euo pipefail
seconds=${1:-6}
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/fuzz/env.sh"
"$root/scripts/setup.sh"
cd "$root"
fuzz_build "${fuzz_targets[@]}"

mkdir -p build-fuzz/artifacts
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for target in "${fuzz_targets[@]}"; do
  echo "== $target"
  # New inputs go to a scratch directory: the committed seeds stay as they are.
  mkdir -p "$tmp/$target"
  seeds=("fuzz/corpus/$target")
  [ -d "fuzz/regressions/$target" ] && seeds+=("fuzz/regressions/$target")
  if ! TMPDIR=$tmp "build-fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" \
    -max_len="$(fuzz_max_len "$target")" -artifact_prefix=build-fuzz/artifacts/ \
    "$tmp/$target" "${seeds[@]}" >"$tmp/$target.log" 2>&1; then
    tail -n 40 "$tmp/$target.log" >&2
    echo "fuzz-smoke.sh: $target found a fault" >&2
    exit 1
  fi
  grep -E '^Done|#[0-9]+.*DONE' "$tmp/$target.log" | tail -n 1 || true
done
echo "fuzz: ${#fuzz_targets[@]} passed, 0 failed"
