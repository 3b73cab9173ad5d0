#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/deps.sh"
cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$repo/build" -j "$(nproc)"
