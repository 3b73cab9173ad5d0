#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for
# FUZZ_SECONDS (60 by default), two at a time. Fails on a crash, a hang, or a
# sanitizer report; the failing input is left in build-fuzz/findings/.
#   scripts/fuzz.sh                      every target, a minute each
#   FUZZ_SECONDS=1800 scripts/fuzz.sh fuzz_content
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$repo/build-fuzz"
seconds="${FUZZ_SECONDS:-60}"
jobs="${FUZZ_JOBS:-2}"
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_filter fuzz_unseal fuzz_split_text fuzz_content fuzz_database fuzz_history)

"$repo/scripts/deps.sh"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$repo" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOVETEST_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" > /dev/null
cmake --build "$out" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$out/findings"

run_one() {
  local target="$1"
  local corpus="$out/corpus/$target"
  mkdir -p "$corpus"
  # New inputs go to the build folder; the committed seeds are only read.
  "$out/tests/fuzz/$target" "$corpus" "$repo/tests/fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$out/findings/$target-" -print_final_stats=1 \
    > "$out/$target.log" 2>&1
}

status=0
running=0
pids=()
names=()
for target in "${targets[@]}"; do
  run_one "$target" &
  pids+=($!)
  names+=("$target")
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait "${pids[0]}" || { echo "FAILED: ${names[0]}"; tail -40 "$out/${names[0]}.log"; status=1; }
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
    running=$((running - 1))
  fi
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || { echo "FAILED: ${names[$i]}"; tail -40 "$out/${names[$i]}.log"; status=1; }
done
for target in "${targets[@]}"; do
  printf '%-16s %s\n' "$target" "$(grep -m1 'stat::number_of_executed_units' "$out/$target.log" | awk '{print $2 " executions"}')"
done
exit $status
