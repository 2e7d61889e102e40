#!/usr/bin/env bash
# Drives the real editor at random through its menus, windows and dialogs under a private X server, the
# way an automated accessibility check does: menu keys, arrows, Return and Escape, digits and letters,
# clicks anywhere in the active window. Meant for a build with the sanitizers, whose reports go to the
# folder REPORTS (every process, restarts included); the editor is started again whenever it ends. Ends
# non-zero when a report was written. As root, the editor runs as nobody, so that a random 削除 in a file
# window cannot reach anything outside its scratch folder.
#
# Usage: random_drive.sh PATH_TO_PICTOFORGE SECONDS REPORTS [SEED]
set -euo pipefail
binary=$1
seconds=$2
reports=$3
seed=${4:-$RANDOM}
RANDOM=$seed
echo "random drive: ${seconds}s, seed $seed"

work=$(mktemp -d)
chmod 755 "$work"
mkdir -p "$reports"
chmod 1777 "$reports"
trap pf_end_session EXIT
source "$(dirname "$0")/../../scripts/lib/private_x.sh"
if [ -n "${PF_X_DISPLAY:-}" ]; then
  # A display number of the caller's choosing (a machine shared with other sessions).
  mkdir -p "$work/home" && mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
  export XDG_CONFIG_HOME="$work/home/.config" XDG_STATE_HOME="$work/home/.local/state"
  Xvfb ":$PF_X_DISPLAY" -screen 0 1024x768x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
  xvfb_pid=$!
  export DISPLAY=":$PF_X_DISPLAY" QT_QPA_PLATFORM=xcb
  sleep 1
else
  pf_private_x "$work"
fi

# A portable copy in the scratch folder, with a few pictures to open.
cp "$binary" "$work/pictoforge"
cp "$(dirname "$binary")/Pal.pal" "$work/Pal.pal"
mkdir -p "$work/home/.local/state"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$work"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
# A killed editor's leaks are no finding: the drive looks for memory errors.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:halt_on_error=1:log_path=$reports/asan"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"

keys=(Escape Escape Return Tab shift+Tab space Left Right Up Down Home End Page_Up Page_Down Delete BackSpace
      0 1 2 3 4 5 6 7 8 9 a b c d e f x ctrl+z ctrl+y ctrl+f ctrl+c ctrl+v alt+F4 F10)
menus=(alt+f alt+b)

start() {
  (cd "$work" && exec "${as_user[@]}" ./pictoforge >>"$work/app.log" 2>&1) &
  app_pid=$!
  sleep 3
}

events=0
restarts=0
end=$((SECONDS + seconds))
start
while [ "$SECONDS" -lt "$end" ]; do
  if ! kill -0 "$app_pid" 2>/dev/null; then
    wait "$app_pid" || true
    restarts=$((restarts + 1))
    start
  fi
  # There is no window manager: the drive itself moves the focus from window to window now and then.
  if [ -z "${id:-}" ] || [ "$((RANDOM % 15))" -eq 0 ] || ! xdotool getwindowname "$id" >/dev/null 2>&1; then
    mapfile -t shown < <(xdotool search --onlyvisible --name . 2>/dev/null || true)
    id=""
    if [ "${#shown[@]}" -gt 0 ]; then
      id=${shown[RANDOM % ${#shown[@]}]}
      xdotool windowraise "$id" windowfocus "$id" 2>/dev/null || true
    fi
  fi
  case $((RANDOM % 10)) in
    0 | 1 | 2)  # a menu of the window at hand (its bar is the top of the window), some way down it, chosen
      if [ "$((RANDOM % 4))" -eq 0 ] || [ -z "$id" ]; then
        xdotool key --clearmodifiers "${menus[RANDOM % ${#menus[@]}]}" 2>/dev/null || true
      else
        xdotool mousemove --window "$id" $((RANDOM % 300 + 5)) 10 click 1 2>/dev/null || true
      fi
      for _ in $(seq $((RANDOM % 3))); do xdotool key Right 2>/dev/null || true; done
      for _ in $(seq $((RANDOM % 12))); do xdotool key Down 2>/dev/null || true; done
      xdotool key Return 2>/dev/null || true
      ;;
    3 | 4)  # a click somewhere in that window, left or right, now and then a double click
      if [ -n "$id" ]; then
        WIDTH=1 HEIGHT=1
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
        xdotool mousemove --window "$id" $((RANDOM % WIDTH)) $((RANDOM % HEIGHT)) \
          click --repeat $((RANDOM % 4 == 0 ? 2 : 1)) $((RANDOM % 2 * 2 + 1)) 2>/dev/null || true
      fi
      ;;
    *)
      xdotool key "${keys[RANDOM % ${#keys[@]}]}" 2>/dev/null || true
      ;;
  esac
  events=$((events + 1))
  sleep 0.05
done
windows=$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)
echo "random drive: $events events, $restarts restarts, $windows windows open at the end"
tail -n 5 "$work/app.log" 2>/dev/null || true
found=$(find "$reports" -type f | wc -l)
[ "$found" -eq 0 ] || echo "random drive: $found sanitizer report(s) in $reports" >&2
[ "$found" -eq 0 ]
