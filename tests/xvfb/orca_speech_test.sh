#!/usr/bin/env bash
# What a blind operator hears: the screen reader Orca (default settings,
# pt_BR) on an Xvfb server with openbox and the AT-SPI bus, pdv-host in a
# real window typed into with xdotool, and Orca's debug log read step by
# step. One Orca run: a plain discount of 200 (10 % limit) worked through,
# then a loyalty discount opened and cancelled.
#
# usage: orca_speech_test.sh HOST MODULE BIN_DIR PARAMETERS_FILE
# Exits 77 (skipped) when a tool is missing or Orca does not start speaking.
# SPEECH_LOG=FILE keeps what was said, step by step; ORCA_LOG=FILE, Orca's log.
set -euo pipefail
if [[ ${1:-} != --inside ]]; then
  if (($# != 4)); then
    echo "usage: $0 HOST MODULE BIN_DIR PARAMETERS_FILE" >&2
    exit 2
  fi
  for tool in Xvfb openbox xdotool orca speech-dispatcher dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is not installed (scripts/setup.sh)"; exit 77; }
  done
  /usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "SKIPPED: no pyatspi"; exit 77; }
  locale -a 2>/dev/null | grep -qix 'pt_BR.utf-\?8' || { echo "SKIPPED: no pt_BR.UTF-8 locale"; exit 77; }
  source "$(dirname "$0")/x11_session.sh"
  exec_private_session "$(readlink -f "$0")" --inside "$@"
fi
shift
host=$1 module=$2 bindir=$3 params=$4

work=$SESSION_WORK
pids=()
cleanup() {
  local rc=$?
  set +e
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null
    for ((t = 0; t < 30; t++)); do kill -0 "${pids[i]}" 2>/dev/null || break; sleep 0.1; done
    kill -9 "${pids[i]}" 2>/dev/null
    wait "${pids[i]}" 2>/dev/null
  done
  [[ -n ${SPEECH_LOG:-} && -s $work/steps ]] && cp "$work/steps" "$SPEECH_LOG"
  [[ -n ${ORCA_LOG:-} && -s $work/orca.log ]] && cp "$work/orca.log" "$ORCA_LOG"
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in steps host.out host.err; do [[ -s $work/$f ]] && { echo "--- $f" >&2; cat "$work/$f" >&2; }; done
  # What Orca was told and said last, to tell a silent toolkit from a deaf reader.
  [[ -s $work/orca.log ]] && { echo "--- orca.log" >&2; grep -E 'EVENT MANAGER: [a-z]+:|SPEECH OUTPUT' "$work/orca.log" | tail -n 30 >&2; }
  exit 1
}
# wait_for (tenths of a second, then the command to succeed).
source "$(dirname "$0")/x11_session.sh"

export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 LANGUAGE=pt_BR
# Speech goes through speech-dispatcher and espeak-ng as on a till, into an
# ALSA sink that plays nothing: Orca's log is what the test reads.
echo 'pcm.!default { type null }' >"$HOME/.asoundrc"
mkdir -p "$XDG_CONFIG_HOME"
cp -r /etc/speech-dispatcher "$XDG_CONFIG_HOME/"
sed -i 's/^#* *AudioOutputMethod .*/AudioOutputMethod "alsa"/' "$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf"

x11_session "$work" || fail "Xvfb or openbox did not start"
# A window of another client, without accessibility, to hand the focus to
# and take it back from.
xmessage -geometry +700+500 outra >/dev/null 2>&1 </dev/null &
pids+=($!)
other=$(timeout 20 xdotool search --sync --class '^Xmessage$' 2>/dev/null | head -n 1) || true
[[ -n $other ]] || fail "no window of another client"

# Started here, in the foreground, so that it ends with the test.
speech-dispatcher -s -t 0 >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 100 test -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" || fail "speech-dispatcher did not start"

log=$work/orca.log
# Orca's settings stay at their defaults; its debug log is only made to reach
# the file line by line, so that each step's speech can be read at once.
mkdir -p "$XDG_DATA_HOME/orca"
echo 'import orca.debug; orca.debug.debugFile.reconfigure(line_buffering=True)' \
  >"$XDG_DATA_HOME/orca/orca-customizations.py"
orca --debug-file "$log" >"$work/orca.out" 2>&1 </dev/null &
pids+=($!)
# Orca greets once it listens on the bus.
if ! wait_for 300 grep -q "SPEECH OUTPUT" "$log" 2>/dev/null; then
  echo "SKIPPED: Orca did not start speaking within 30 s"
  exit 77
fi

# Everything Orca said so far, one utterance a line (some span lines).
said() {
  /usr/bin/python3 - "$log" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
for u in re.findall(r"SPEECH OUTPUT: '(.*?)' ?(?:\{|\[|$)", text, re.S | re.M):
    if u.strip():
        print(" ".join(u.split()))
PY
}
mark=0
# Acts, then waits (5 s at most) for speech matching each expected text
# (extended regular expressions); each must be heard once in the step. What
# was said is kept per step.
step() {
  local title=$1 action=$2
  shift 2
  eval "$action"
  local expected=("$@") got
  heard() {
    got=$(said | tail -n +$((mark + 1)))
    local e
    for e in "${expected[@]}"; do grep -qE -- "$e" <<<"$got" || return 1; done
  }
  wait_for 50 heard || { printf '%s\n' "== $title" "${got:-}" >>"$work/steps"; fail "$title: did not hear ${expected[*]}"; }
  sleep 0.6  # whatever else the step makes Orca say
  got=$(said | tail -n +$((mark + 1)))
  mark=$(said | wc -l)
  printf '%s\n' "== $title" "$got" >>"$work/steps"
  for e in "${expected[@]}"; do
    (($(grep -oE -- "$e" <<<"$got" | wc -l) == 1)) || fail "$title: ${e} said more than once"
  done
}

cp "$host" "$work/pdv-host"
cp "$params" "$work/PARAMETROSVEK.CDS"
if [[ -n ${ASAN_OPTIONS:-} ]]; then export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"; fi
open_dialog() {  # kind base (the window keeps its layout title, "Desconto")
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 LD_LIBRARY_PATH="$bindir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
    "$work/pdv-host" --module "$module" --kind "$1" --base "$2" --decimal-separator , \
    >"$work/host.out" 2>"$work/host.err" </dev/null &
  host_pid=$!
  pids+=($host_pid)
  win=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$host_pid" --name '^Desconto$' 2>/dev/null |
    head -n 1) || true
  [[ -n $win ]] || fail "no dialog window for $1"
  timeout 10 xdotool windowactivate --sync "$win" || fail "could not activate the window"
  # pdv-host opens the dialog as it starts, and its window may become active
  # before Qt has joined the accessibility bus (a till's host has long joined
  # when the dialog opens): then Orca never hears of it. Once the host is on
  # the bus, a window that was not presented is activated again: the focus
  # goes to another client's window and comes back after a pause, for Qt
  # keeps a window active through a shorter focus change, and openbox hands
  # a focus left on the root window straight back.
  wait_for 100 on_bus "$host_pid" || fail "pdv-host did not join the accessibility bus"
  local again
  for again in 1 2 3; do
    wait_for 50 presented && return 0
    echo "($1 ativada de novo)" >>"$work/steps"
    timeout 10 xdotool windowactivate --sync "$other" || fail "could not activate the other window"
    sleep 1
    timeout 10 xdotool windowactivate --sync "$win" || fail "could not activate the window again"
  done
}
on_bus() {
  /usr/bin/python3 -c '
import sys, pyatspi
desktop = pyatspi.Registry.getDesktop(0)
for i in range(desktop.childCount):
    try:  # an application that has just left raises
        if desktop.getChildAtIndex(i).get_process_id() == int(sys.argv[1]):
            sys.exit(0)
    except Exception:
        pass
sys.exit(1)
' "$1" 2>/dev/null
}
presented() { said | tail -n +$((mark + 1)) | grep -q 'diálogo'; }
key() { xdotool key --clearmodifiers "$@"; }
host_done() {
  wait_for 150 bash -c "! kill -0 $host_pid 2>/dev/null" || fail "pdv-host still running"
  wait "$host_pid" || fail "pdv-host exited with $?"
  unset 'pids[${#pids[@]}-1]'
}

step "abre Desconto" 'open_dialog Desconto 200' 'Desconto' '0,00, Valor'
# Flat review (keypad 8, Orca's desktop layout) reads the options' line.
step "revisão plana" 'key KP_Up' '\bValor\b' '\bPercentual\b'
step "tecla 2" 'key 2' '^0,02\.?$'
step "tecla 0" 'key 0' '^0,20\.?$'
step "tecla 0" 'key 0' '^2,00\.?$'
step "tecla 1" 'key 1' '^20,01\.?$'
step "BackSpace" 'key BackSpace' '^2,00\.?$'
step "Delete" 'key Delete' '^Visor vazio\.?$'
step "Alt+P" 'key alt+p' '^Percentual\.?$'
step "Alt+V" 'key alt+v' '^Valor\.?$'
# A tap on each option picture (their centres in the layout).
step "toque em Percentual" 'xdotool mousemove --window "$win" 127 55 click 1' '^Percentual\.?$'
step "toque em Valor" 'xdotool mousemove --window "$win" 32 55 click 1' '^Valor\.?$'
step "Tab" 'key Tab' '^1 botão'
step "espaço no 1" 'key space' '^0,01\.?$'
step "Tab" 'key Tab' '^2 botão'
step "Delete" 'key Delete' '^Visor vazio\.?$'
step "tecla 2" 'key 2' '^0,02\.?$'
step "tecla 0" 'key 0' '^0,20\.?$'
step "tecla 0" 'key 0' '^2,00\.?$'
step "tecla 1" 'key 1' '^20,01\.?$'
step "Enter, recusa" 'key Return' 'bloqueada'
step "Esc, fecha a mensagem" 'key Escape' 'Desconto' '20,01, Valor'
step "BackSpace" 'key BackSpace' '^2,00\.?$'
step "tecla 0" 'key 0' '^20,00\.?$'
step "Enter, confirma" 'key Return' 'Confirmado: 20,00, Valor'
host_done
grep -qx 'resultado: 1 registro(s): TIPO=V VALOR=20' "$work/host.out" || fail "pdv-host did not report TIPO=V VALOR=20"

step "abre Desconto Fidelidade" 'open_dialog DescontoFidelidade 150' \
  'Desconto Fidelidade' '0,00, Valor. Valor Máximo: R\$ 150,00'
step "Esc, cancela" 'key Escape' '^Cancelado'
host_done
grep -q '^resultado: .*cancelado' "$work/host.out" || fail "pdv-host did not report the cancel"
echo "PASS"
