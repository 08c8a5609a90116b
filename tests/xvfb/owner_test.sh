#!/usr/bin/env bash
# The dialog declares the host's window as its owner: under Xvfb with a
# window manager (openbox), a host with a main window opens the dialog; the
# dialog's X window must carry WM_TRANSIENT_FOR naming that main window, and
# the window manager must hand it the keyboard (Esc, typed with no window
# focused by hand, cancels).
#
# usage: owner_test.sh OWNER_HOST MODULE
# Exits 77 (skipped) only when a tool is not installed.
set -euo pipefail

if (($# != 2)); then
  echo "usage: $0 OWNER_HOST MODULE" >&2
  exit 2
fi
host=$1 module=$2

# shellcheck source=x11_session.sh
source "$(dirname "$0")/x11_session.sh"
if missing=$(x11_tools_missing); then
  echo "SKIPPED: $missing is not installed (scripts/setup.sh installs xvfb, xdotool, openbox and x11-utils)"
  exit 77
fi

work=$(mktemp -d)
pids=()
cleanup() {
  local rc=$?
  set +e
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in host.out host.err openbox.log xvfb.log; do
    if [[ -s $work/$f ]]; then
      echo "--- $f" >&2
      cat "$work/$f" >&2
    fi
  done
  exit 1
}

x11_session "$work" || fail "Xvfb or openbox did not start"

if [[ -n ${ASAN_OPTIONS:-} ]]; then export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"; fi
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 "$host" "$module" >"$work/host.out" 2>"$work/host.err" </dev/null &
host_pid=$!
pids+=("$host_pid")

wait_for 150 grep -q '^main ' "$work/host.out" || fail "the host's main window did not become active"
main=$(sed -n 's/^main //p' "$work/host.out")
win=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$host_pid" --name '^Desconto$' 2>/dev/null |
  head -n 1) || true
[[ -n $win ]] || fail "no visible dialog named Desconto"

owner=$(xprop -id "$win" WM_TRANSIENT_FOR)
echo "dialog $(printf '0x%x' "$win"): $owner; main window $main"
[[ $owner =~ "window id # "(0x[0-9a-f]+) ]] || fail "the dialog has no WM_TRANSIENT_FOR"
((BASH_REMATCH[1] == main)) || fail "the dialog is transient for ${BASH_REMATCH[1]}, not the main window $main"

# The window manager gave the dialog the focus: keys reach it.
wait_for 50 bash -c "[[ \$(xdotool getactivewindow) == $win ]]" || fail "the dialog is not the active window"
xdotool key Escape
wait_for 150 bash -c "! kill -0 $host_pid 2>/dev/null" || fail "the host still runs 15 s after Esc"
grep -qx "outcome 2 " "$work/host.out" || fail "the call did not end cancelled"
echo "PASS"
