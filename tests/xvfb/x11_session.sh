# Sourced: an X server (Xvfb) with a window manager (openbox) for one test.
# x11_session WORK starts both, exports DISPLAY and appends their process
# ids to the caller's array "pids"; it returns 1 when either did not start.
# x11_tools_missing prints the first tool that is not installed.
# exec_private_session runs its arguments in a D-Bus session of their own.

x11_tools_missing() {
  local tool
  for tool in Xvfb xdotool openbox xprop; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool"; return 0; }
  done
  return 1
}

# Runs the command given (the test again, as a rule) in a D-Bus session of
# its own, with a home and a runtime directory of its own, exported as
# SESSION_WORK: the accessibility bus the session starts puts its socket
# there, apart from any other session's.
exec_private_session() {
  SESSION_WORK=$(mktemp -d)
  export SESSION_WORK HOME=$SESSION_WORK/home XDG_RUNTIME_DIR=$SESSION_WORK/run
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  exec dbus-run-session -- "$@"
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tenths=$1
  shift
  for ((i = 0; i < tenths; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

x11_session() {
  local work=$1
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 </dev/null &
  pids+=($!)
  wait_for 300 test -s "$work/display" || return 1
  DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
  export DISPLAY
  # openbox needs no configuration; it announces itself on the root window
  # once it manages the screen.
  HOME=$work openbox --sm-disable >"$work/openbox.log" 2>&1 </dev/null &
  pids+=($!)
  # A loaded machine (the whole suite on two cores) can take its time.
  wait_for 300 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"'
}
