#!/usr/bin/env bash
# Builds Brevio and runs every test.
#   scripts/test.sh                    normal build, all tests
#   scripts/test.sh --sanitize         AddressSanitizer + UndefinedBehaviorSanitizer build, core tests
#   scripts/test.sh --sanitize=thread  ThreadSanitizer build, the concurrency tests
set -euo pipefail
cd "$(dirname "$0")/.."

mode=normal
case "${1:-}" in
  "") ;;
  --sanitize|--sanitize=address) mode=asan ;;
  --sanitize=thread) mode=tsan ;;
  *) echo "usage: scripts/test.sh [--sanitize | --sanitize=thread]" >&2; exit 2 ;;
esac

bash scripts/deps.sh

case "$mode" in
  normal)
    dir=build
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    ctest_args=() ;;
  asan)
    dir=build-asan
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBREVIO_SANITIZE=ON \
      -DBREVIO_BUILD_GUI=OFF >/dev/null
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest_args=(-LE gui) ;;
  tsan)
    dir=build-tsan
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVIO_TSAN=ON \
      -DBREVIO_BUILD_GUI=OFF >/dev/null
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    ctest_args=(-L concurrency) ;;
esac

cmake --build "$dir" -j2
ctest --test-dir "$dir" --output-on-failure -j2 "${ctest_args[@]}"
