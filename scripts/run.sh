#!/usr/bin/env bash
# Installs what is needed, builds, and starts the viewer with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build -DPICTAVO_TESTS=OFF -DPICTAVO_BENCH=OFF >/dev/null
exec "$root/build/app/pictavo" "$@"
