#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build, then the unit tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

jobs=$(nproc)
"$root/scripts/build.sh" build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs"

"$root/scripts/build.sh" build-asan -DCMAKE_BUILD_TYPE=Debug -DPICTAVO_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs" -L unit
echo "All tests passed."
