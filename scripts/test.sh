#!/usr/bin/env bash
# Sets everything up, builds from scratch and runs every test: the whole suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the multi-threaded tests again under
# ThreadSanitizer, and the suite once more in an ordinary build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug "-DVDINV_SANITIZE=address,undefined"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"

echo "== ThreadSanitizer (threads, guards, thread slots)"
scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=Debug -DVDINV_SANITIZE=thread
ctest --test-dir build-tsan --output-on-failure -j"$(nproc)" -R 'RuntimeApi|PlatformThread|PlatformPseudo|SerialDevice|PtyTest|CommClass|Module|LineTest|Invsim'

echo "== ordinary build"
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j"$(nproc)"
