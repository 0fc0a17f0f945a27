#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang and runs each of them in turn.
#   scripts/fuzz.sh [SECONDS]   every target for SECONDS (default 60); inputs that crash a
#                               target are kept in fuzz/crashes/
#   scripts/fuzz.sh --ci        a short run of every target (a few seconds each), for CI
# The run fails when any target crashes. Inputs a target found interesting are kept in
# build-fuzz/corpus/<target>/ between runs; fuzz/corpus/<target>/ holds the seeds.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
for arg in "$@"; do
  case "$arg" in
    --ci) seconds=6 ;;
    ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [--ci] [SECONDS]" >&2; exit 2 ;;
    *) seconds=$arg ;;
  esac
done

bash scripts/deps.sh

dir=build-fuzz
# -O1 with line tables: half the compile time of -O2 -g, and stack traces keep their lines.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DBREVIO_FUZZ=ON \
  -DBUILD_TESTING=OFF -DBREVIO_BUILD_GUI=OFF -DBREVIO_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j2 --target fuzz_targets

targets=(news_block nsp_reply tab_files profile registry config_document news_file page_diff)

# Longest input per target: the news files need room for an index of several records.
max_len() {
  case "$1" in
    news_file) echo 16384 ;;
    page_diff) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

crashes=fuzz/crashes
mkdir -p "$crashes"
# The targets write their inputs to files; in memory, a run gets through many more of them.
scratch=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

passed=0
failed=()
for t in "${targets[@]}"; do
  corpus="$dir/corpus/$t"
  mkdir -p "$corpus"
  log="$scratch/$t.log"
  echo "fuzz_$t: ${seconds}s"
  if TMPDIR="$scratch" "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len="$(max_len "$t")" -print_final_stats=1 \
      -artifact_prefix="$crashes/$t-" "$corpus" "fuzz/corpus/$t" >"$log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" |
      sed 's/^/  /'
    passed=$((passed + 1))
  else
    echo "fuzz_$t FAILED; the input is kept in $crashes/ (log below)"
    grep -v -E '^(INFO|#[0-9])' "$log" | tail -n 60
    failed+=("$t")
  fi
done

echo "fuzz: ${passed} passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed targets: ${failed[*]}" >&2
  exit 1
fi
