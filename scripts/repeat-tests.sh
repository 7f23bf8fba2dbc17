#!/usr/bin/env bash
# Runs the built test suite N times and prints every test that failed at least once,
# with how often. A test that fails now and then fails for a reason: this finds it.
#
#   scripts/repeat-tests.sh N [ctest arguments...]
#   scripts/repeat-tests.sh 20
#   scripts/repeat-tests.sh 10 -R 'FaultMatrix|ServiceMatrix'
#
# BUILD (default build/) names the build tree; it must be built already (make build).
# The log of every failed test is kept in $BUILD/repeat-tests/ for a look afterwards.
# Exits 1 when any run had a failure.
set -uo pipefail

if [ $# -lt 1 ] || ! [[ $1 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 N [ctest arguments...]" >&2
  exit 2
fi
runs=$1
shift

cd "$(dirname "$0")/.."
build=${BUILD:-build}
if [ ! -f "$build/CTestTestfile.cmake" ]; then
  echo "repeat-tests: $build is not a built tree (make build first)" >&2
  exit 2
fi
logs=$build/repeat-tests
rm -rf "$logs"
mkdir -p "$logs"

declare -A failures=()
red_runs=0
start=$SECONDS
for ((i = 1; i <= runs; i++)); do
  run_start=$SECONDS
  out=$logs/run-$i.log
  (cd "$build" && ctest --output-on-failure -j "${JOBS:-$(nproc)}" --timeout 300 "$@") >"$out" 2>&1
  failed=$(sed -n 's/^[[:space:]]*[0-9]\+ - \(.*\) (\(Failed\|Timeout\|SEGFAULT\|Subprocess aborted\|Exception\|Child aborted\|Not Run\).*/\1/p' "$out")
  if [ -n "$failed" ]; then
    red_runs=$((red_runs + 1))
    while IFS= read -r t; do
      failures[$t]=$(( ${failures[$t]:-0} + 1 ))
    done <<<"$failed"
    echo "run $i/$runs: $(wc -l <<<"$failed") failed in $((SECONDS - run_start)) s (log: $out)"
  else
    summary=$(grep -m1 'tests passed' "$out" || echo 'no summary')
    echo "run $i/$runs: $summary, $((SECONDS - run_start)) s"
    rm -f "$out"
  fi
done

echo "repeat-tests: $runs runs in $((SECONDS - start)) s, $red_runs with failures"
for t in "${!failures[@]}"; do
  printf '%4d  %s\n' "${failures[$t]}" "$t"
done | sort -rn
[ "$red_runs" -eq 0 ]
