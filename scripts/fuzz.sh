#!/usr/bin/env bash
# Sets up, builds and runs a fuzz target for a bounded time: fuzz.sh [SECONDS] [TARGET]
# (default 60 seconds, target "address"). Targets: address (tag addresses), reply (the reply
# search), pdb (the parameter block and IniDriver), tags (tag records and initial values),
# write (OnDataWrite on a running line), line (the bytes a line receives), ini (the settings
# file readers). The run starts from the committed seeds in fuzz/corpus/TARGET; what it finds
# grows build-fuzz/corpus/TARGET. A crash leaves its input in build-fuzz/artifacts/ and makes
# the script fail.
set -euo pipefail
seconds=${1:-60}
target=${2:-address}
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/fuzz/env.sh"
if ! fuzz_known "$target"; then
  echo "fuzz.sh: unknown target '$target' (${fuzz_targets[*]})" >&2
  exit 2
fi
"$root/scripts/setup.sh"
cd "$root"
fuzz_build "$target"

corpus=build-fuzz/corpus/$target
mkdir -p "$corpus" build-fuzz/artifacts
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
TMPDIR=$tmp "build-fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" \
  -max_len="$(fuzz_max_len "$target")" -artifact_prefix=build-fuzz/artifacts/ \
  -print_final_stats=1 "$corpus" "fuzz/corpus/$target"
