#!/usr/bin/env bash
# Starts the real editor under a private X server, types into it the way a person would and checks what
# the screen shows. Usage: run_e2e.sh PATH_TO_PICTOFORGE
set -euo pipefail
binary=$1
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
source "$here/../../scripts/lib/private_x.sh"
trap pf_end_session EXIT

# The program folder is the executable's folder: give it its own, with the shipped palette file.
cp "$binary" "$work/pictoforge"
cp "$(dirname "$binary")/Pal.pal" "$work/Pal.pal"

pf_private_x "$work"

"$work/pictoforge" >"$work/app.log" 2>&1 &
app_pid=$!

fail() {
  echo "e2e: $*" >&2
  cat "$work/app.log" >&2 || true
  exit 1
}

wid=$(pf_wait_for_window '^Pictoforge$')
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
archive=$(pf_wait_for_window '保管庫　1')
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

# Window layouts survive a restart. The archive opens a work file of its own (slot 1 blue), both windows
# are moved, and pattern 1 is saved from the screen setting window (W, then SAVE on its menu bar).
/usr/bin/python3 - "$work/mine.wrk" <<'PY'
import sys
data = bytearray(11521)
data[0:512] = bytes([0x99]) * 512
data[10240 + 4 * 9:10240 + 4 * 9 + 4] = bytes([255, 0, 0, 0])
open(sys.argv[1], "wb").write(data)
PY
window_gone() {  # NAME
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null || true)" ] && return 0
    sleep 0.1
  done
  return 1
}
position_of() {  # ID: prints "x y"
  xdotool getwindowgeometry "$1" | awk '/Position:/ { split($2, p, ","); print p[1], p[2] }'
}

xdotool mousemove --window "$archive" 20 10 click 1
sleep 0.5
xdotool key Down Down Return
sleep 1
xdotool type --delay 20 "$work/mine.wrk"
xdotool key Return
[ -n "$(pf_wait_for_window 'mine.wrk')" ] || fail "the archive did not open mine.wrk"
xdotool windowmove "$archive" 520 300
xdotool windowmove "$wid" 40 20
sleep 0.5
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the editor for W"
xdotool key w
settings=$(pf_wait_for_window '画面設定フォーム')
[ -n "$settings" ] || fail "W did not open the screen setting window"
sleep 0.5
xdotool mousemove --window "$settings" 20 10 click 1
window_gone '画面設定フォーム' || fail "SAVE did not close the screen setting window"
grep -q "ChldFile1=$work/mine.wrk" "$work/PF.ini" || fail "pattern 1 does not record the archive's work file"

# 終了 ends the program; a new one restores pattern 1 at start, and loading it again (W, then its key 1)
# closes everything and restores it once more.
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the editor to quit"
xdotool key alt+e
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "終了 did not end the program"
app_pid=""
"$work/pictoforge" >>"$work/app.log" 2>&1 &
app_pid=$!
wid=$(pf_wait_for_window '^Pictoforge$')
[ -n "$wid" ] || fail "the editor did not start again"
[ -n "$(pf_wait_for_window '保管庫　1')" ] || fail "the start-up layout did not reopen the archive"
sleep 1
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the restarted editor"
xdotool key w
settings=$(pf_wait_for_window '画面設定フォーム')
[ -n "$settings" ] || fail "W did not open the screen setting window after the restart"
sleep 0.5
xdotool windowfocus --sync "$settings" 2>/dev/null || true
xdotool key 1
window_gone '画面設定フォーム' || fail "the key 1 did not load pattern 1"
sleep 1
archive=$(pf_wait_for_window '保管庫　1')
[ -n "$archive" ] || fail "loading pattern 1 did not reopen the archive"
[ "$(position_of "$archive")" = "520 300" ] || fail "the archive is at $(position_of "$archive"), not 520 300"
[ "$(position_of "$wid")" = "40 20" ] || fail "the editor is at $(position_of "$wid"), not 40 20"
import -window "$archive" "$work/restored.png"
[ -n "${PF_E2E_LAYOUT_SHOT:-}" ] && cp "$work/restored.png" "$PF_E2E_LAYOUT_SHOT"
/usr/bin/python3 - "$work/restored.png" <<'PY' || fail "the restored archive does not show slot 1 of mine.wrk"
import sys
from PIL import Image
pixels = list(Image.open(sys.argv[1]).convert("RGB").getdata())
blue = sum(1 for p in pixels if p == (0, 0, 255))
red = sum(1 for p in pixels if p == (255, 0, 0))
assert blue == 32 * 32 and red == 0, (blue, red)
print("restored archive: slot 1 blue from mine.wrk")
PY

kill -0 "$app_pid" 2>/dev/null || fail "the editor exited"
echo "e2e: 4 passed, 0 failed"
