#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 60) from its seed corpus in fuzz/corpus/,
# working on a copy so the repository's seeds stay as they are. Prints one line per
# target: executions and findings. Crashes are kept in $BUILD/fuzz-findings/.
set -uo pipefail
build=${1:?build dir}
seconds=${2:-60}
root=$(cd "$(dirname "$0")" && pwd)
findings="$build/fuzz-findings"
mkdir -p "$findings"
status=0
mkdir -p "$build/fuzz-logs"
for binary in "$build"/fuzz_*; do
  [ -f "$binary" ] && [ -x "$binary" ] || continue
  name=$(basename "$binary")
  target=${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$root/corpus/$target" ] && cp -r "$root/corpus/$target/." "$work/"
  log="$build/fuzz-logs/$name.log"
  before=$(ls "$findings" 2>/dev/null | grep -c "^$name-" || true)
  "$binary" "$work" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/$name-" \
    -max_len=8192 >"$log" 2>&1
  rc=$?
  runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  # Only what this run found; earlier findings stay in the folder for reference.
  crashes=$(( $(ls "$findings" 2>/dev/null | grep -c "^$name-" || true) - before ))
  printf '%-22s %10s executions  %s finding(s)  (exit %d)\n' "$name" "${runs:-?}" "$crashes" "$rc"
  [ "$rc" -ne 0 ] && status=1
  rm -rf "$work"
done
exit $status
