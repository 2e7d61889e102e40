# Sourced by every script that runs the real program under a private X server (the e2e tests, the package
# test, the benchmarks, the screenshots).
#
xvfb_pid=""
app_pid=""

# pf_end_session: for `trap pf_end_session EXIT`; stops the program ($app_pid) and the X server and removes
# the folder $work.
pf_end_session() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}

# pf_private_x WORK [SCREEN]: starts Xvfb, sets xvfb_pid, DISPLAY and QT_QPA_PLATFORM=xcb, and gives what
# runs from here a channel folder, home, settings and state of WORK's own, so that other editors on the
# machine neither answer it nor see its files. The caller kills xvfb_pid when it is done.
pf_private_x() {
  local work=$1 screen=${2:-1024x768x24}
  mkdir -p "$work/home"
  mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
  export XDG_CONFIG_HOME="$work/home/.config" XDG_STATE_HOME="$work/home/.local/state"
  # -noreset: without it the server resets whenever its last client leaves, and a program started at
  # that moment cannot connect.
  # PF_X_DISPLAY=N asks for display :N (a number of one's own on a shared machine); otherwise the server
  # takes the first free one.
  if [ -n "${PF_X_DISPLAY:-}" ]; then
    Xvfb ":$PF_X_DISPLAY" -screen 0 "$screen" -nolisten tcp -noreset 2>"$work/xvfb.log" &
    echo "$PF_X_DISPLAY" >"$work/display"
  else
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  fi
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  export QT_QPA_PLATFORM=xcb
  # The server is ready once it answers.
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# pf_wait_for_window TITLE_REGEX [newest]: prints the id of a visible window whose title matches, waiting
# up to ten seconds; the first one found, or with "newest" the one mapped last. Prints nothing in time.
pf_wait_for_window() {
  local id="" pick="head"
  [ "${2:-}" = newest ] && pick="tail"
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | "$pick" -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}
