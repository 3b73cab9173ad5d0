#!/usr/bin/env bash
# Builds the main window on the sample database and writes pictures of its
# states into a folder (default build/screenshots):
#   scripts/screenshots.sh [output-folder]
# BUILD_DIR chooses the build folder (default build/).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$repo/build}"
out="${1:-$repo/build/screenshots}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
fi
cmake --build "$build" --target lovetest_screenshots sample_database -j "$(nproc)"
mkdir -p "$out"
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
  "$build/tests/shell/lovetest_screenshots" "$build/content/date.mdb" "$out"
echo "pictures in $out"
