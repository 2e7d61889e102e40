#!/usr/bin/env bash
# Installs the Debian package into a scratch root and starts the installed editor under a private X
# server the way a desktop does, with a home, a configuration folder and a runtime folder of its own.
# Usage: run_package_test.sh PATH_TO_DEB
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
xvfb_pid=""
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
fail() {
  echo "package: $*" >&2
  for f in "$work"/*.log; do [ -s "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }; done
  exit 1
}
ok() {
  echo "package: ok: $*"
  passed=$((passed + 1))
}

root="$work/root"
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin/pictoforge"
[ -x "$bin" ] || fail "no usr/bin/pictoforge in the package"
convert_bin="$root/usr/bin/pictoforge-convert"
[ -x "$convert_bin" ] || fail "no usr/bin/pictoforge-convert in the package"
# The converter needs no display: run it before there is one, its shipped icon to a full colour icon.
env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY "$convert_bin" --format fc32 \
  "$root/usr/share/pictoforge/pictoforge-32.ico" -o "$work/converted.ico" 2>"$work/convert.log" ||
  fail "pictoforge-convert failed without a display"
[ "$(stat -c %s "$work/converted.ico")" = 3262 ] || fail "pictoforge-convert wrote no 3262-byte icon"
[ -s "$root/usr/share/man/man1/pictoforge-convert.1.gz" ] || fail "no manual page for pictoforge-convert"
ok "pictoforge-convert runs without a display"
"$here/../../scripts/check-manual" --installed "$root" || fail "the package's manual is incomplete"
ok "the manual is in /usr/share/doc/pictoforge with its pictures"
installed_files() { (cd "$root" && find . | sort); }
installed_files >"$work/tree.before"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
config="$XDG_CONFIG_HOME/pictoforge"

# -noreset: without it the server resets whenever its last client leaves, and a program started at
# that moment cannot connect.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb

# Two 32 x 32 icons in the editor's own format, all pixels palette number 9 (red) and A (lime) of the
# standard palette: the shipped icon file supplies the header and palette.
/usr/bin/python3 - "$root/usr/share/pictoforge/pictoforge-32.ico" "$work" <<'PY'
import sys
template = open(sys.argv[1], "rb").read()
assert len(template) == 766
for name, byte in (("red.ico", 0x99), ("lime.ico", 0xAA)):
    open(f"{sys.argv[2]}/{name}", "wb").write(template[:126] + bytes([byte]) * 512 + bytes(128))
PY
printf 'not a picture\n' >"$work/notes.txt"
printf 'truncated' >"$work/broken.ico"

# Starts the installed editor in the background; the pid is in $started.
start() {
  local log=$1
  shift
  "$bin" "$@" >"$work/$log.log" 2>&1 &
  started=$!
  pids+=("$started")
}
# The visible windows titled Pictoforge of a process, main window and message boxes alike.
windows_of() { xdotool search --onlyvisible --pid "$1" --name '^Pictoforge$' 2>/dev/null || true; }
wait_window() {
  local wid=""
  for _ in $(seq 100); do
    wid=$(windows_of "$1" | head -n 1)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || fail "no window titled Pictoforge appeared ($2)"
  echo "$wid"
}
stop() {
  kill "$1" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$1" 2>/dev/null || true
}
# Pixels of exactly this colour in a window.
count_colour() {
  import -window "$1" "$work/shot.png"
  /usr/bin/python3 - "$work/shot.png" "$2" <<'PY'
import sys
from PIL import Image
want = tuple(int(v) for v in sys.argv[2].split(","))
print(sum(1 for p in Image.open(sys.argv[1]).convert("RGB").getdata() if p == want))
PY
}
# Waits until the window shows the colour over most of its enlarged preview (160 x 160 pixels); a fresh
# editor shows a few hundred pixels of each colour in its palette panel.
wait_colour() {
  local n=0
  for _ in $(seq 30); do
    n=$(count_colour "$1" "$2")
    [ "$n" -ge 10000 ] && return 0
    sleep 0.2
  done
  fail "the editor does not show the $3 icon ($n pixels of $2)"
}
RED=255,0,0
LIME=0,255,0
CANVAS=53,33,16

# 1. An installed editor started from the file manager opens the file and keeps its files per user.
start first "$work/red.ico"
editor=$started
wid=$(wait_window "$editor" "first start")
wait_colour "$wid" "$RED" red
ok "pictoforge FILE with no editor running opens it"
for _ in $(seq 50); do [ -s "$config/PF.ini" ] && break; sleep 0.1; done
[ -s "$config/PF.ini" ] || fail "no PF.ini in $config"
cmp -s "$config/Pal.pal" "$root/usr/share/pictoforge/Pal.pal" || fail "Pal.pal was not copied into $config"
modes="$(stat -c %a "$config" "$config/PF.ini" "$config/Pal.pal" | tr '\n' ' ')"
[ "$modes" = "700 600 600 " ] || fail "the settings folder, PF.ini and Pal.pal have modes $modes, not 700 600 600"
installed_files >"$work/tree.after"
diff -u "$work/tree.before" "$work/tree.after" >&2 || fail "the editor wrote into the installed tree"
ok "PF.ini and Pal.pal in $config, nothing beside the installed binary"

# 2. With an editor running, a second start hands the file over and ends at once.
before=$(date +%s%N)
timeout 10 "$bin" "$work/lime.ico" >"$work/second.log" 2>&1 || fail "the second start failed or did not end"
elapsed_ms=$((($(date +%s%N) - before) / 1000000))
[ "$elapsed_ms" -lt 3000 ] || fail "the second start took ${elapsed_ms} ms"
wait_colour "$wid" "$LIME" lime
[ "$(count_colour "$wid" "$RED")" -lt 2000 ] || fail "the running editor still shows the red icon"
[ -z "$(xdotool search --onlyvisible --name '^Pictoforge$' 2>/dev/null | grep -v "^$wid\$" || true)" ] ||
  fail "a second editor window appeared"
ok "pictoforge FILE with an editor running: the running one shows it, the second process ended in ${elapsed_ms} ms"

# 3. A killed editor leaves its socket behind; the next start is not fooled by it.
kill -9 "$editor"
wait "$editor" 2>/dev/null || true
[ -S "$XDG_RUNTIME_DIR/pictoforge.sock" ] || fail "the killed editor left no socket to test with"
start stale "$work/red.ico"
editor=$started
wid=$(wait_window "$editor" "start over a stale socket")
wait_colour "$wid" "$RED" red
timeout 10 "$bin" "$work/lime.ico" >"$work/second.log" 2>&1 || fail "handing over to the new editor failed"
wait_colour "$wid" "$LIME" lime
stop "$editor"
ok "a stale socket left by a killed editor: a new editor starts and then receives files"

# 4. Arguments the program does not take, and files it cannot read.
set +e
timeout 10 "$bin" one two >"$work/usage.out" 2>&1
rc_two=$?
timeout 10 "$bin" --bogus >>"$work/usage.out" 2>&1
rc_option=$?
timeout 10 "$bin" "$work/missing.ico" >"$work/missing.out" 2>&1
rc_missing=$?
set -e
[ "$rc_two" -eq 2 ] && [ "$rc_option" -eq 2 ] || fail "usage errors gave $rc_two and $rc_option"
[ "$(grep -c '^usage: pictoforge \[FILE\]$' "$work/usage.out")" -eq 2 ] || fail "no usage line: $(cat "$work/usage.out")"
[ "$rc_missing" -eq 1 ] && grep -q "missing.ico: no such file" "$work/missing.out" ||
  fail "a missing file gave $rc_missing: $(cat "$work/missing.out")"
ok "two arguments, an option, a missing file: a one-line message and a non-zero exit"

# Without any display: --version answers, anything else says what is missing (no abort).
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin" --version)" = "pictoforge 0.1.0" ] ||
  fail "--version without a display"
set +e
nodisplay=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$bin" 2>&1)
rc_nodisplay=$?
set -e
[ "$rc_nodisplay" -eq 1 ] && [ "$nodisplay" = "pictoforge: no display: set DISPLAY or WAYLAND_DISPLAY" ] ||
  fail "no display gave $rc_nodisplay: $nodisplay"
ok "no display: --version answers, a start says what is missing"

start broken "$work/broken.ico"
editor=$started
wait_window "$editor" "broken icon" >/dev/null
for _ in $(seq 30); do grep -q "broken.ico: not a 16-colour icon or bitmap" "$work/broken.log" && break; sleep 0.1; done
grep -q "broken.ico: not a 16-colour icon or bitmap" "$work/broken.log" || fail "no message for broken.ico"
kill -0 "$editor" || fail "the editor ended over broken.ico"
stop "$editor"
start notes "$work/notes.txt"
editor=$started
wait_window "$editor" "text file" >/dev/null
# The editor's own message for a name it cannot read is a second window titled Pictoforge.
for _ in $(seq 50); do [ "$(windows_of "$editor" | wc -l)" -ge 2 ] && break; sleep 0.1; done
[ "$(windows_of "$editor" | wc -l)" -ge 2 ] || fail "no message box for notes.txt"
stop "$editor"
ok "a file that is not an icon or bitmap: the editor's message, or one line when it has none"

# 5. A per-user folder that cannot be made, and a Pal.pal missing from the install.
printf 'x' >"$work/blocked"
XDG_CONFIG_HOME="$work/blocked" start blocked
editor=$started
wait_window "$editor" "unusable settings folder" >/dev/null
grep -q "cannot create the settings folder $work/blocked/pictoforge" "$work/blocked.log" ||
  fail "no message for the unusable settings folder"
stop "$editor"
rm "$root/usr/share/pictoforge/Pal.pal"
XDG_CONFIG_HOME="$work/config2" start nopal
editor=$started
# The palette message comes up while the editor starts, before its own window shows; answered, the
# editor carries on.
box=$(wait_window "$editor" "no Pal.pal")
[ "$(count_colour "$box" "$CANVAS")" -eq 0 ] || fail "the editor started without the palette message"
grep -q "Pal.pal is missing from" "$work/nopal.log" || fail "no line naming the missing Pal.pal"
xdotool windowfocus --sync "$box" key Return 2>/dev/null || fail "could not answer the palette message"
shown=0
for _ in $(seq 30); do
  wid=$(windows_of "$editor" | head -n 1)
  [ -n "$wid" ] && [ "$(count_colour "$wid" "$CANVAS")" -ge 10000 ] && { shown=1; break; }
  sleep 0.2
done
[ "$shown" -eq 1 ] || fail "the editor did not carry on after the palette message"
stop "$editor"
[ ! -e "$root/usr/bin/PF.ini" ] || fail "PF.ini was written beside the binary"
ok "an unusable settings folder, Pal.pal missing from the install: messages, no crash"

echo "package: $passed passed, 0 failed"
