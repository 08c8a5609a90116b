#!/usr/bin/env bash
# The dialog as a screen reader meets it: pdv-host on an Xvfb server with
# the accessibility bus (AT-SPI) of a private D-Bus session and home, walked
# and pressed by atspi_walk.py.
#
# usage: atspi_test.sh HOST MODULE BIN_DIR PARAMETERS_FILE
# Exits 77 (skipped) only when Xvfb, D-Bus, the AT-SPI bus or pyatspi is
# missing (scripts/setup.sh installs them).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [[ ${1:-} != --inside ]]; then
  if (($# != 4)); then
    echo "usage: $0 HOST MODULE BIN_DIR PARAMETERS_FILE" >&2
    exit 2
  fi
  for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is not installed"; exit 77; }
  done
  /usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "SKIPPED: no pyatspi"; exit 77; }
  source "$here/x11_session.sh"
  exec_private_session "$0" --inside "$@"
fi
shift
host=$1 module=$2 bindir=$3 params=$4

work=$SESSION_WORK
xvfb_pid="" host_pid=""
cleanup() {
  local rc=$?
  set +e
  [[ -n $host_pid ]] && { kill "$host_pid" 2>/dev/null; wait "$host_pid" 2>/dev/null; }
  [[ -n $xvfb_pid ]] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in host.out host.err; do [[ -s $work/$f ]] && { echo "--- $f" >&2; cat "$work/$f" >&2; }; done
  exit 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
for ((i = 0; i < 100; i++)); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || fail "Xvfb did not start"
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"

# The host with the parameters file beside it (10 % of 200), accessibility
# on as when a screen reader runs.
cp "$host" "$work/pdv-host"
cp "$params" "$work/PARAMETROSVEK.CDS"
if [[ -n ${ASAN_OPTIONS:-} ]]; then export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"; fi
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  LD_LIBRARY_PATH="$bindir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
  "$work/pdv-host" --module "$module" --kind Desconto --base 200 --decimal-separator , \
  >"$work/host.out" 2>"$work/host.err" </dev/null &
host_pid=$!

/usr/bin/python3 "$here/atspi_walk.py" "$host_pid" || fail "the walk through AT-SPI failed"
for ((i = 0; i < 150; i++)); do kill -0 "$host_pid" 2>/dev/null || break; sleep 0.1; done
rc=0
wait "$host_pid" || rc=$?
host_pid=""
((rc == 0)) || fail "pdv-host exited with $rc"
grep -q '^resultado: .*cancelado' "$work/host.out" || fail "pdv-host did not report the cancel"
