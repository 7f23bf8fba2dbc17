#!/usr/bin/env bash
# The Windows build's tests under wine: every unit test program of build-windows/, then
# the Windows zortcfg against the Linux simulator through a COM port
# (tests/windows/zortcfg-under-wine.sh). Prints the counts and every skipped test with
# its reason; exits non-zero when anything failed.
#
# wine runs in a prefix of the build tree's own, never the user's ~/.wine; one wineserver
# is kept running for the whole run (each program then starts in milliseconds), with
# its output in a log file, and stopped at the end.
set -uo pipefail
win=$(cd "${1:?Windows build dir}" && pwd)
linux=$(cd "${2:?Linux build dir (the simulator)}" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)

export WINEPREFIX="$win/wine"
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, no menu entries: the prefix is for test programs.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
logs="$win/test-logs"
rm -rf "$logs"
mkdir -p "$logs"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: making the wine prefix $WINEPREFIX"
  wineboot -i >"$logs/wineboot.log" 2>&1 || { cat "$logs/wineboot.log"; exit 1; }
fi
# wine lists a COM port (HARDWARE\DEVICEMAP\SERIALCOMM) only when HKLM\Software\Wine\Ports
# names it when the server starts. COM7 is a link that the end-to-end cases point at
# each simulator's pseudo-terminal in turn.
ln -sfn /dev/null "$WINEPREFIX/com7-line"
wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$WINEPREFIX/com7-line" /f >"$logs/ports.log" 2>&1 ||
  { cat "$logs/ports.log"; exit 1; }
wineserver -k >/dev/null 2>&1
wineserver -f -p >"$logs/wineserver.log" 2>&1 &
server=$!
stop_server() {
  wineserver -k >/dev/null 2>&1
  wait "$server" 2>/dev/null
}
trap stop_server EXIT

programs=0 passed=0 failed=0 skipped=0 failed_programs=()
skips="$logs/skipped.txt"
: >"$skips"
for name in $(cd "$win" && ctest -N | sed -n 's/^ *Test *#[0-9]*: //p'); do
  log="$logs/$name.log"
  programs=$((programs + 1))
  # The test programs write lines the Windows way ("\r\n").
  (cd "$win" && timeout 300 wine "./$name.exe" --gtest_color=no) >"$log.raw" 2>&1
  status=$?
  tr -d '\r' <"$log.raw" >"$log" && rm "$log.raw"
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$log")
  s=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:$/\1/p' "$log")
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:$/\1/p' "$log")
  passed=$((passed + ${p:-0})) skipped=$((skipped + ${s:-0})) failed=$((failed + ${f:-0}))
  # A skip prints its reason on the lines before "[  SKIPPED ] Name"; keep both.
  awk -v prog="$name" '/^\[ RUN      \]/ { reason = ""; next_is_reason = 0 }
      next_is_reason && NF { reason = $0; next_is_reason = 0 } /: Skipped$/ { next_is_reason = 1 }
      /^\[  SKIPPED \] [A-Za-z_]/ && !/listed below/ && !seen[$4]++ { print prog ": " $4 " (" reason ")" }' \
    "$log" >>"$skips"
  if [ "$status" -ne 0 ] || [ -z "$p$s$f" ]; then
    failed_programs+=("$name")
    echo "test-windows: $name FAILED (exit $status), its output:"
    tail -40 "$log"
  else
    echo "test-windows: $name: ${p:-0} passed, ${s:-0} skipped"
  fi
done

echo "test-windows: the Windows zortcfg against the simulator"
bash "$src/tests/windows/zortcfg-under-wine.sh" "$win" "$linux" | tee "$logs/zortcfg-under-wine.log"
e2e_status=${PIPESTATUS[0]}

echo
echo "test-windows: $programs test programs under wine: $passed tests passed, $failed failed, $skipped skipped"
if [ -s "$skips" ]; then
  echo "test-windows: skipped, each with its reason:"
  sed 's/^/  /' "$skips"
fi
if [ ${#failed_programs[@]} -gt 0 ] || [ "$e2e_status" -ne 0 ]; then
  echo "test-windows: FAILED: ${failed_programs[*]} $([ "$e2e_status" -ne 0 ] && echo zortcfg-under-wine)"
  exit 1
fi
echo "test-windows: all passed"
