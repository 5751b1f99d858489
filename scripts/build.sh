#!/usr/bin/env bash
# Configures (once) and builds one build directory: build.sh DIR [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
if [ ! -f "$root/$dir/build.ninja" ]; then
    cmake -S "$root" -B "$root/$dir" -G Ninja "$@" >/dev/null
fi
cmake --build "$root/$dir" -- -j"$(nproc)"
