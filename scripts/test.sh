#!/usr/bin/env bash
# Builds everything and runs every test through CTest.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/build.sh"
cd "$repo/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
