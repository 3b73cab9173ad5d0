#!/usr/bin/env bash
# Builds the Debian package of the program into build/packages/ and prints
# its path:   scripts/package.sh
# BUILD_DIR chooses the build folder (default build-package/): a build of its
# own with the hardening flags a distribution uses (stack protector, fortified
# calls, PIE, full RELRO).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$repo/build-package}"
"$repo/scripts/deps.sh"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOVETEST_HARDEN=ON > /dev/null
# Only what the package holds; the tests are not needed for it.
cmake --build "$build" -j "$(nproc)" --target lovetest lovetest-content sample_database man_pages
rm -f "$build"/packages/lovetest_*.deb
(cd "$build" && cpack -G DEB -B "$build/packages" > /dev/null)
ls "$build"/packages/lovetest_*.deb
