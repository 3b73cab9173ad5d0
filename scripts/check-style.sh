#!/usr/bin/env bash
# Checks the format (.clang-format) of every C++ file and the naming rule
# (.clang-tidy's readability-identifier-naming) of every translation unit of
# the build in BUILD_DIR (default build/, configured and built first: the
# naming check reads its compile_commands.json and generated headers).
#   scripts/check-style.sh           both checks
#   scripts/check-style.sh format    the format only (no build needed)
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$repo/build}"
cd "$repo"

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${sources[@]}" 2> "$build/format.log"; then
  grep -m 20 'error:' "$build/format.log" || true
  echo "Format: files differ from .clang-format (clang-format -i FILE fixes them)."
  exit 1
fi
echo "Format: ${#sources[@]} files as .clang-format says."
[ "${1:-}" = format ] && exit 0

# Only the naming check, so the run stays short; our own sources only.
run-clang-tidy -quiet -j "$(nproc)" -p "$build" -checks='-*,readability-identifier-naming' \
  "^$repo/(data|seal|run|report|widgets|shell|tools|tests|bench)/.*\\.cpp\$" 2>&1 |
  sed 's/\x1b\[[0-9;]*m//g' > "$build/naming.log" || true
# Each command line names the check too: count the findings, not the lines.
if grep -q '\[readability-identifier-naming\]' "$build/naming.log"; then
  grep -A2 '\[readability-identifier-naming\]' "$build/naming.log" | head -60
  echo "Naming: $(grep -c '\[readability-identifier-naming\]' "$build/naming.log") names break the rule in .clang-tidy."
  exit 1
fi
if grep -qE '^(Error|error:)|: error:' "$build/naming.log"; then
  grep -m 20 -E '^(Error|error:)|: error:' "$build/naming.log"
  echo "Naming: clang-tidy could not read every file."
  exit 1
fi
echo "Naming: every name follows .clang-tidy."
