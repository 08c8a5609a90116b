#!/usr/bin/env bash
# The dialog in a real window: pdv-host on an Xvfb server, typed into with
# xdotool as an operator at a keyboard would. A plain discount of 200 with a
# 10 % limit beside the host: Alt+F4 must leave the window open, then
# 2 0 0 0 Enter confirms 20,00.
#
# usage: xvfb_host_test.sh HOST MODULE BIN_DIR PARAMETERS_FILE
# Exits 77 (skipped) only when Xvfb or xdotool is not installed.
set -euo pipefail

if (($# != 4)); then
  echo "usage: $0 HOST MODULE BIN_DIR PARAMETERS_FILE" >&2
  exit 2
fi
host=$1 module=$2 bindir=$3 params=$4

for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (scripts/setup.sh installs xvfb and xdotool)"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb_pid=""
host_pid=""
cleanup() {
  local rc=$?
  set +e  # a killed child's status must not cut the clean-up short
  if [[ -n $host_pid ]]; then
    kill "$host_pid" 2>/dev/null
    wait "$host_pid" 2>/dev/null
  fi
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in host.out host.err xvfb.log; do
    if [[ -s $work/$f ]]; then
      echo "--- $f" >&2
      cat "$work/$f" >&2
    fi
  done
  exit 1
}

# wait_for, shared with the other real-window tests.
source "$(dirname "$0")/x11_session.sh"

host_alive() { kill -0 "$host_pid" 2>/dev/null; }

# A server on the first free display; it writes the number it took.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 </dev/null &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
echo "Xvfb on $DISPLAY"

# The host in a directory of its own, with the parameters file beside it.
cp "$host" "$work/pdv-host"
cp "$params" "$work/PARAMETROSVEK.CDS"
# Leaks are checked by the offscreen suites; here the X libraries would only
# add noise of their own.
if [[ -n ${ASAN_OPTIONS:-} ]]; then export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"; fi
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 LD_LIBRARY_PATH="$bindir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
  "$work/pdv-host" --module "$module" --kind Desconto --base 200 --decimal-separator , \
  >"$work/host.out" 2>"$work/host.err" </dev/null &
host_pid=$!

win=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$host_pid" --name '^Desconto$' 2>/dev/null |
  head -n 1) || true
[[ -n $win ]] || fail "no visible window named Desconto from pdv-host"

# Borderless, 238 x 385, centred on the 1024 x 768 screen.
eval "$(xdotool getwindowgeometry --shell "$win")"
[[ $WIDTH == 238 && $HEIGHT == 385 ]] || fail "window is ${WIDTH}x${HEIGHT}, not 238x385"
((X >= 392 && X <= 394 && Y >= 191 && Y <= 193)) || fail "window at $X,$Y, not centred (393,192)"

# No window manager here: give the window the input focus directly; xdotool's
# keys then go through XTEST to the focused window, as a keyboard's would.
timeout 10 xdotool windowfocus --sync "$win" || fail "could not focus the window"
sleep 0.3

xdotool key --clearmodifiers alt+F4
sleep 0.5
host_alive || fail "pdv-host ended after Alt+F4"
xdotool search --all --onlyvisible --pid "$host_pid" --name '^Desconto$' >/dev/null ||
  fail "the window closed after Alt+F4"

xdotool key --delay 60 2 0 0 0 Return
wait_for 150 bash -c "! kill -0 $host_pid 2>/dev/null" || fail "pdv-host still running 15 s after Enter"
rc=0
wait "$host_pid" || rc=$?
host_pid=""
((rc == 0)) || fail "pdv-host exited with $rc"

grep -qx 'resultado: 1 registro(s): TIPO=V VALOR=20' "$work/host.out" ||
  fail "pdv-host did not report TIPO=V VALOR=20"
if grep -q '^mensagem:\|^erro:' "$work/host.out"; then fail "unexpected message or error"; fi
echo "PASS: $(grep '^resultado:' "$work/host.out")"
