#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/deps.sh"
# CI sets LOVETEST_WERROR=ON so that a new compiler warning fails the run.
cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOVETEST_WERROR="${LOVETEST_WERROR:-OFF}" > /dev/null
cmake --build "$repo/build" -j "$(nproc)"
