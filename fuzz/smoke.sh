#!/usr/bin/env bash
# A short run of one fuzz target over its committed seeds (fuzz/corpus/TARGET) and regression
# inputs (fuzz/regressions/TARGET): smoke.sh TARGET PROGRAM ARTIFACTS, for VDINV_FUZZ_SECONDS
# (default 6). New inputs go to a scratch directory, so the committed seeds stay as they are;
# a finding fails the run and leaves its input in ARTIFACTS.
set -euo pipefail
target=$1 program=$2 artifacts=$3
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=SCRIPTDIR/env.sh
. "$root/fuzz/env.sh"
mkdir -p "$artifacts"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/$target"
seeds=("$root/fuzz/corpus/$target")
[ -d "$root/fuzz/regressions/$target" ] && seeds+=("$root/fuzz/regressions/$target")
if ! TMPDIR=$tmp "$program" -max_total_time="${VDINV_FUZZ_SECONDS:-6}" \
  -max_len="$(fuzz_max_len "$target")" -artifact_prefix="$artifacts/" \
  "$tmp/$target" "${seeds[@]}" >"$tmp/$target.log" 2>&1; then
  tail -n 40 "$tmp/$target.log" >&2
  echo "fuzz-smoke.sh: $target found a fault" >&2
  exit 1
fi
grep -E '^Done|#[0-9]+.*DONE' "$tmp/$target.log" | tail -n 1 || true
