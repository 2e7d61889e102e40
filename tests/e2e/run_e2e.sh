#!/usr/bin/env bash
# Starts the real editor under a private X server, types into it the way a person would and checks what
# the screen shows. Usage: run_e2e.sh PATH_TO_PICTOFORGE
set -euo pipefail
binary=$1
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The program folder is the executable's folder: give it its own, with the shipped palette file.
cp "$binary" "$work/pictoforge"
cp "$(dirname "$binary")/Pal.pal" "$work/Pal.pal"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb

"$work/pictoforge" >"$work/app.log" 2>&1 &
app_pid=$!

fail() {
  echo "e2e: $*" >&2
  cat "$work/app.log" >&2 || true
  exit 1
}

wid=""
for _ in $(seq 100); do
  wid=$(xdotool search --onlyvisible --name '^Pictoforge$' 2>/dev/null | head -n 1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
[ -n "$wid" ] || fail "no window titled Pictoforge appeared"
sleep 1
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the window"

# Type 2 (green in the standard palette) into the first cell, then move right and type A (lime).
xdotool key 2 Right a
sleep 0.5

import -window "$wid" "$work/shot.png"
[ -n "${PF_E2E_SHOT:-}" ] && cp "$work/shot.png" "$PF_E2E_SHOT"
/usr/bin/python3 "$here/check_screen.py" "$work/shot.png" || fail "the screen does not show the typed digits"

# Save through the real save dialog: File menu (Alt+F), "アイコンファイルを保存(&S)", type the name.
xdotool key alt+f
sleep 0.5
xdotool key s
dialog=""
for _ in $(seq 50); do
  dialog=$(xdotool search --onlyvisible --class pictoforge 2>/dev/null | grep -v "^$wid\$" | tail -n 1 || true)
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || fail "the save dialog did not open"
sleep 0.5
xdotool type --delay 20 "$work/saved"
xdotool key Return
for _ in $(seq 50); do [ -s "$work/saved.ico" ] && break; sleep 0.1; done
[ -s "$work/saved.ico" ] || fail "no saved.ico was written"
/usr/bin/python3 - "$work/saved.ico" <<'PY' || fail "saved.ico does not hold the typed pixels"
import sys
data = open(sys.argv[1], "rb").read()
assert len(data) == 766, len(data)
# The top row is stored last: packed byte 126 + 31 * 16 holds the first two pixels, 2 and A.
assert data[126 + 31 * 16] == 0x2A, hex(data[126 + 31 * 16])
print("saved.ico: 766 bytes, first pixels 2 and A")
PY

# 保管庫(&A) opens archive 1, which loads pf1.wrk from the program folder as soon as it is shown, even
# without a window manager to activate it. Slot 1 of this file is all index 9, coloured pure red.
/usr/bin/python3 - "$work/pf1.wrk" <<'PY'
import sys
data = bytearray(11521)
data[0:512] = bytes([0x99]) * 512
data[10240 + 4 * 9:10240 + 4 * 9 + 4] = bytes([0, 0, 255, 0])
open(sys.argv[1], "wb").write(data)
PY
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the window again"
xdotool key alt+a
archive=""
for _ in $(seq 50); do
  archive=$(xdotool search --onlyvisible --name '保管庫　1' 2>/dev/null | head -n 1 || true)
  [ -n "$archive" ] && break
  sleep 0.1
done
[ -n "$archive" ] || fail "no archive window appeared"
sleep 0.5
import -window "$archive" "$work/archive.png"
[ -n "${PF_E2E_ARCHIVE_SHOT:-}" ] && cp "$work/archive.png" "$PF_E2E_ARCHIVE_SHOT"
/usr/bin/python3 - "$work/archive.png" <<'PY' || fail "the archive does not show slot 1 of pf1.wrk"
import sys
from PIL import Image
image = Image.open(sys.argv[1]).convert("RGB")
pixels = list(image.getdata())
red = sum(1 for p in pixels if p == (255, 0, 0))
black = sum(1 for p in pixels if p == (0, 0, 0))
assert red == 32 * 32, red
assert black >= 2 * 32 * 320 - 32 * 32, black
print("archive: slot 1 red, the other cells black")
PY

kill -0 "$app_pid" 2>/dev/null || fail "the editor exited"
echo "e2e: 3 passed, 0 failed"
