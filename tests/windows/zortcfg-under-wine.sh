#!/usr/bin/env bash
# The Windows zortcfg.exe, under wine, against the Linux simulator: the simulator serves
# one end of a pseudo-terminal pair, and the prefix's COM7 (registered by
# scripts/test-windows.sh as the link $WINEPREFIX/com7-line) names the other, so the
# program opens it as COM7 through the Win32 serial API. Each case runs the Linux
# zortcfg the same way against a simulator of its own and asks for the same standard
# output and exit status: the Windows build must behave as the Linux one does.
#
# Expects WINEPREFIX set up (scripts/test-windows.sh does it). Prints one line per case.
set -uo pipefail
win=$(cd "${1:?Windows build dir}" && pwd)
linux=$(cd "${2:?Linux build dir}" && pwd)
: "${WINEPREFIX:?WINEPREFIX}"
exe="$win/zortcfg.exe"
sim="$linux/zort-sim"
lin="$linux/zortcfg"
line="$WINEPREFIX/com7-line"
work=$(mktemp -d)
mkdir -p "$work/lin" "$work/win"
sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; done
  # The link would outlive the pseudo-terminal, whose number another program gets next.
  ln -sfn /dev/null "$line"
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
pass() { echo "  ok    $1"; }
fail() {
  echo "  FAIL  $1"
  failures=$((failures + 1))
}

# Starts a simulator with the given options; sets $pty to the line it serves and
# $sim_pid to its process.
start_sim() {
  local out="$work/sim.$RANDOM"
  "$sim" "$@" >"$out" 2>&1 &
  sim_pid=$!
  sims+=("$sim_pid")
  pty=""
  for _ in $(seq 100); do
    pty=$(head -1 "$out" 2>/dev/null)
    [ -n "$pty" ] && break
    sleep 0.05
  done
}

# Runs the same zortcfg command on both builds, each against a fresh simulator started
# with SIM_OPTIONS; PORT in the command stands for the port. Each build works in a
# folder of its own ($work/lin, $work/win), so relative file names stay apart. Sets
# $lin_out/$win_out, $lin_status/$win_status and $lin_err/$win_err.
both() {
  local args=("$@")
  start_sim ${SIM_OPTIONS:-}
  (cd "$work/lin" && "$lin" "${args[@]//PORT/$pty}") >"$work/lin.out" 2>"$work/lin.err"
  lin_status=$?
  kill "$sim_pid" 2>/dev/null
  start_sim ${SIM_OPTIONS:-}
  ln -sfn "$pty" "$line"
  (cd "$work/win" && wine "$exe" "${args[@]//PORT/COM7}") >"$work/win.out" 2>"$work/win.err"
  win_status=$?
  kill "$sim_pid" 2>/dev/null
  lin_out=$(cat "$work/lin.out") win_out=$(cat "$work/win.out")
  lin_err=$(cat "$work/lin.err") win_err=$(cat "$work/win.err")
}

same() {
  local what=$1
  if [ "$lin_status" != "$win_status" ]; then
    fail "$what: exit $win_status on Windows, $lin_status on Linux; Windows said: $win_err"
  elif [ "$lin_out" != "$win_out" ]; then
    fail "$what: the output differs"
    diff <(echo "$lin_out") <(echo "$win_out") | head -20
  else
    pass "$what (exit $win_status)"
  fi
}

both read --port PORT
same "read --port COM7 prints what the Linux build prints"
[ -n "$win_out" ] && [ "$win_status" -eq 0 ] || fail "read printed nothing"

both read --port PORT --json -
same "read --json - gives the same document"

# A settings file with a Cyrillic name and blanks: written from the tracker, shown from
# the file, written back to the tracker.
name="Настройки трекера №1.json"
both read --port PORT --json "$name"
same "read --json into \"$name\""
[ -s "$work/win/$name" ] && pass "the file is there under its own name" || fail "no \"$name\" in $(ls "$work/win")"
both show --json "$name"
same "show --json \"$name\""
both write --port PORT --json "$name" --yes --no-backup
same "write --json \"$name\""

both write --port PORT --defaults --yes --no-backup
same "write --defaults --yes"

# Every spelling of the port's name a Windows user may type.
start_sim
ln -sfn "$pty" "$line"
for name in com7 '\\.\COM7'; do
  wine "$exe" read --port "$name" >"$work/spelling.out" 2>&1
  status=$?
  if [ "$status" -eq 0 ] && grep -q 'Версия ПО' "$work/spelling.out"; then
    pass "read --port $name"
  else
    fail "read --port $name: exit $status, $(tail -1 "$work/spelling.out")"
  fi
done
kill "$sim_pid"

# The tracker unplugged while a read waits for its answer: the read ends at once with
# exit 1, as on Linux, not after its time-outs.
start_sim --fault 'drop@1#3+'
ln -sfn "$pty" "$line"
wine "$exe" read --port COM7 >/dev/null 2>"$work/unplug.err" &
reader=$!
sleep 1.5
unplugged=$(date +%s%3N)
kill "$sim_pid"
wait "$reader"
status=$?
took=$(($(date +%s%3N) - unplugged))
if [ "$status" -eq 1 ] && [ "$took" -lt 1000 ]; then
  pass "unplugged mid-read: exit 1 after $took ms, \"$(tr -d '\r' <"$work/unplug.err" | tail -1)\""
else
  fail "unplugged mid-read: exit $status after $took ms: $(cat "$work/unplug.err")"
fi

both ports
case "$win_out" in
  *COM7*) pass "ports lists COM7" ;;
  *) fail "ports does not list COM7: $win_out" ;;
esac

# Ports that cannot be the tracker's: the same exit status as on Linux for a missing
# device, and words that say why.
for bad in COM0 COM999 NUL 'C:\windows\win.ini'; do
  wine "$exe" read --port "$bad" >/dev/null 2>"$work/bad.err"
  status=$?
  if [ "$status" -eq 1 ] && [ -s "$work/bad.err" ]; then
    pass "read --port $bad: exit 1, \"$(tail -1 "$work/bad.err")\""
  else
    fail "read --port $bad: exit $status, \"$(cat "$work/bad.err")\""
  fi
done

if [ "$failures" -gt 0 ]; then
  echo "zortcfg under wine: $failures case(s) failed"
  exit 1
fi
echo "zortcfg under wine: all cases passed"
