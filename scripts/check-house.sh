#!/usr/bin/env bash
# Checks the house rules a reviewer would otherwise check by eye.
#
#   scripts/check-house.sh            every source file formatted by .clang-format, and
#                                     no file of src/ longer than 500 lines
#   scripts/check-house.sh functions  also no function of src/ longer than 80 lines
#                                     (clang-tidy over the build's compile commands;
#                                     BUILD names the tree, default build/)
#
# Designer forms (.ui) are layout data, not code, and are not counted. Prints every
# offence and exits 1 when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files -co --exclude-standard -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' \
    'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
else
  mapfile -t sources < <(find src tests bench fuzz -name '*.cpp' -o -name '*.h' | sort)
fi
failed=0

unformatted=$(clang-format --dry-run "${sources[@]}" 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' | cut -d: -f1 | sort -u)
if [ -n "$unformatted" ]; then
  echo "not formatted by .clang-format (run clang-format -i on them):"
  echo "$unformatted" | sed 's/^/  /'
  failed=1
fi

for f in "${sources[@]}"; do
  case $f in src/*) ;; *) continue ;; esac
  lines=$(wc -l <"$f")
  if [ "$lines" -gt 500 ]; then
    echo "$f: $lines lines, more than 500"
    failed=1
  fi
done

if [ "${1:-}" = functions ]; then
  build=${BUILD:-build}
  if [ ! -f "$build/compile_commands.json" ]; then
    echo "$build/compile_commands.json is missing: build first (make build)" >&2
    exit 2
  fi
  config='{CheckOptions: [{key: readability-function-size.LineThreshold, value: 80}]}'
  long=$(printf '%s\n' "${sources[@]}" | grep '^src/.*\.cpp$' |
    xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet --checks='-*,readability-function-size' \
      --config="$config" 2>/dev/null |
    awk -v root="$PWD/" '/: warning: function/ { sub(root, "", $1); where = $1; name = $4 }
                         /: note: [0-9]+ lines/ { print where " " name " " $3 " lines" }')
  if [ -n "$long" ]; then
    echo "functions longer than 80 lines:"
    echo "$long" | sed 's/^/  /'
    failed=1
  fi
fi
exit $failed
