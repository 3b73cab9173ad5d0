#!/usr/bin/env bash
# Builds the program and starts it in workdir/ on the bundled sample database.
# The sample is copied there only once, so answers and renames survive between runs.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$repo/scripts/build.sh"
work="${LOVETEST_WORKDIR:-$repo/workdir}"
mkdir -p "$work"
[ -e "$work/date.mdb" ] || cp "$repo/build/content/date.mdb" "$work/date.mdb"
cd "$work"
exec "$repo/build/shell/lovetest" "$@"
