#!/usr/bin/env bash
# Runs the real program on a database whose first test is named with markup
# that points at a file, and fails if the program opens that file while it
# shows the name (catalog, title, remarks). Needs strace; skips without it or
# where tracing is not allowed.
#   no_planted_file_load.sh PROGRAM TOOL
set -uo pipefail
program=$(realpath "$1") tool=$(realpath "$2")
command -v strace >/dev/null && strace -f -o /dev/null true 2>/dev/null || { echo "strace cannot trace here"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/work"
printf '\x89PNG\r\n\x1a\n' >"$dir/planted.png"
cat >"$dir/hostile.json" <<JSON
{"tests": [
 {"id": 10, "name": "<img src=$dir/planted.png>甲", "remarks": "<img src=file://$dir/planted.png>说明", "factor": 1,
  "questions": [{"text": "<img src=$dir/planted.png>", "options": [[1, "<img src=$dir/planted.png>"]]}],
  "verdicts": [{"thresholds": [1], "texts": ["<img src=$dir/planted.png>", "高"]}]}
]}
JSON
"$tool" build "$dir/hostile.json" -o "$dir/work/date.mdb" >"$dir/build.log" 2>&1 || { cat "$dir/build.log"; echo "the fixture did not build"; exit 1; }
cd "$dir/work"
QT_QPA_PLATFORM=offscreen timeout -s TERM 5 strace -f -qq -e trace=%file -o "$dir/trace" "$program" >/dev/null 2>&1
grep -q 'date\.mdb' "$dir/trace" || { echo "the trace shows no open of date.mdb: nothing was traced"; exit 1; }
if grep 'planted\.png' "$dir/trace"; then
  echo "the program opened the file a test's name points at"
  exit 1
fi
echo "the planted file was never opened"
