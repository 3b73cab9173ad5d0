#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs the whole suite there. Any report ends the test
# that raised it with a failure.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$repo/build-sanitize"
"$repo/scripts/deps.sh"

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# GCC leaves float-to-integer overflow out of "undefined"; add it where offered.
if echo 'int main(){}' | c++ -x c++ -fsanitize=float-cast-overflow -o /dev/null - 2>/dev/null; then
  flags="$flags -fsanitize=float-cast-overflow"
fi
# Benchmarks measure nothing useful under the sanitizers; they are not built.
cmake -S "$repo" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON > /dev/null
cmake --build "$out" -j "$(nproc)"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$repo/scripts/lsan.supp:print_suppressions=0"
cd "$out"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
