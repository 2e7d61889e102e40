#!/usr/bin/env bash
# Work survives a kill: types into the real editor under a private X server, takes the picture into an
# archive slot, steps back once with 戻す, kills the program with SIGKILL, starts it again and answers はい.
# The undo counter reads as before the kill; the picture, the 進む step the kill left and the archive slot
# are then checked byte for byte through files saved with the program's own menus. 終了 with unsaved work
# asks first; いいえ keeps the editor, はい ends it cleanly.
# Usage: run_recovery_e2e.sh PATH_TO_PICTOFORGE
set -euo pipefail
binary=$1

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  if [ -n "${PF_E2E_KEEP:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

# A portable copy: program folder, settings and journal all in its own folder.
cp "$binary" "$work/pictoforge"
cp "$(dirname "$binary")/Pal.pal" "$work/Pal.pal"
unset PICTOFORGE_NO_JOURNAL

source "$(dirname "$0")/../../scripts/lib/private_x.sh"
pf_private_x "$work"

fail() {
  echo "recovery e2e: $*" >&2
  cat "$work/app.log" >&2 || true
  exit 1
}
height_of() {  # ID
  xdotool getwindowgeometry "$1" | awk '/Geometry:/ { split($2, g, "x"); print g[2] }'
}
width_of() {  # ID
  xdotool getwindowgeometry "$1" | awk '/Geometry:/ { split($2, g, "x"); print g[1] }'
}
journals() {
  find "$work" -maxdepth 1 -name 'journal-*.pfj' | wc -l
}
# Saves through a file dialog the command at hand has opened: types the name and confirms.
answer_save_dialog() {  # PATH
  sleep 1
  xdotool type --delay 20 "$1"
  xdotool key Return
  for _ in $(seq 50); do [ -s "$1" ] && break; sleep 0.1; done
  [ -s "$1" ]
}

"$work/pictoforge" >"$work/app.log" 2>&1 &
app_pid=$!
wid=$(pf_wait_for_window '^Pictoforge$')
[ -n "$wid" ] || fail "no window titled Pictoforge appeared"
sleep 1
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the editor"

# 1, 2 and 3 along the top row: three undo records.
xdotool key 1 Right 2 Right 3
sleep 0.3
counter_shot() {  # FILE: the undo counter (Label4, client 390,545, 80 x 20) of the editor $wid
  import -window "$wid" -crop "80x20+390+$((menu_height + 545))" +repage "$1"
}
# The archive (保管庫(&A)); a right double click on slot 1 takes the picture into it.
xdotool key alt+a
archive=$(pf_wait_for_window '保管庫　1')
[ -n "$archive" ] || fail "no archive window appeared"
sleep 0.5
menu_height=$(( $(height_of "$archive") - 328 ))
# Beside the editor, so that the undo counter can be seen: it reads as now after the restart.
xdotool windowmove "$archive" 600 0
sleep 0.3
xdotool mousemove --window "$archive" 75 $((menu_height + 16)) click --repeat 2 --delay 80 3
sleep 0.3
# 戻す, below the picture: one step back before the kill (1/2); 進む is left to reach 1 2 3.
xdotool mousemove --window "$wid" 312 $((menu_height + 555)) click 1
sleep 0.5
counter_shot "$work/counter-before.png"
# The journal catches up within about a second; with the archive's slots it outgrows a work file. The
# large parts are in the blob file beside it, so the two are counted together.
journal_size() {
  local journal
  journal=$(find "$work" -maxdepth 1 -name 'journal-*.pfj' | head -n 1)
  [ -n "$journal" ] || return 0
  echo $(( $(stat -c %s "$journal") + $(stat -c %s "$journal.blobs" 2>/dev/null || echo 0) ))
}
for _ in $(seq 100); do [ "$(journal_size)" -gt 11521 ] 2>/dev/null && break; sleep 0.1; done
[ "$(journals)" = 1 ] || fail "no journal after the edits (found $(journals))"
[ "$(journal_size)" -gt 11521 ] || fail "the journal does not hold the archive ($(journal_size) bytes)"

kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""

"$work/pictoforge" >>"$work/app.log" 2>&1 &
app_pid=$!
# The question: a window titled Pictoforge, lower than the editor.
box=""
for _ in $(seq 100); do
  for id in $(xdotool search --onlyvisible --name '^Pictoforge$' 2>/dev/null || true); do
    [ "$(height_of "$id")" -lt 500 ] && box=$id
  done
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "the restart did not ask about the journal"
sleep 0.5
[ -n "${PF_E2E_SHOTS:-}" ] && import -window "$box" "$PF_E2E_SHOTS/question.png"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return  # はい is the default button
restored=$(pf_wait_for_window '保管庫　1 \*')
[ -n "$restored" ] || fail "the archive did not come back marked unsaved"
wid=$(xdotool search --onlyvisible --name '^Pictoforge$' | head -n 1)
xdotool windowmove "$restored" 600 0
sleep 1
counter_shot "$work/counter-after.png"
/usr/bin/python3 - "$work" <<'PY' || fail "the restored undo counter does not read as before the kill"
import sys
from PIL import Image
work = sys.argv[1]
before = Image.open(work + "/counter-before.png").convert("RGB")
after = Image.open(work + "/counter-after.png").convert("RGB")
assert before.size == after.size == (80, 20), (before.size, after.size)
assert list(before.getdata()) == list(after.getdata()), "the counter's pixels differ"
# Not an empty label: the text is drawn.
assert len(set(before.getdata())) > 1, "the counter shows nothing"
print("restored: the undo counter reads as before the kill")
PY
if [ -n "${PF_E2E_SHOTS:-}" ]; then
  import -window "$wid" "$PF_E2E_SHOTS/editor.png"
  import -window "$restored" "$PF_E2E_SHOTS/archive.png"
fi

# The picture, saved through the File menu: as the 戻す before the kill left it.
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the restored editor"
xdotool key alt+f
sleep 0.5
xdotool key s
answer_save_dialog "$work/after.ico" || fail "the restored picture could not be saved"
# 進む, beside 戻す: the step the kill left still reaches 1 2 3.
xdotool mousemove --window "$wid" 360 $((menu_height + 555)) click 1
sleep 0.5
xdotool key alt+f
sleep 0.5
xdotool key s
answer_save_dialog "$work/forward.ico" || fail "the picture after 進む could not be saved"
# The archive's slots, saved through its ファイル menu (ワークファイルを保存).
xdotool mousemove --window "$restored" 20 10 click 1
sleep 0.5
xdotool key Down Down Down Return
answer_save_dialog "$work/after.wrk" || fail "the restored archive could not be saved"
sleep 0.5
[ -n "$(pf_wait_for_window '^保管庫　1$')" ] || fail "saving did not clear the unsaved mark"

/usr/bin/python3 - "$work" <<'PY' || fail "the restored work is not what was typed"
import sys
work = sys.argv[1]
after = open(work + "/after.ico", "rb").read()
forward = open(work + "/forward.ico", "rb").read()
wrk = open(work + "/after.wrk", "rb").read()
assert len(after) == 766 and len(forward) == 766 and len(wrk) == 11521, (len(after), len(forward), len(wrk))
top = 126 + 31 * 16  # the top row is stored last
assert after[top:top + 2] == bytes([0x12, 0x00]), after[top:top + 2].hex()
assert forward[top:top + 2] == bytes([0x12, 0x30]), forward[top:top + 2].hex()
# Slot 1 holds the picture as it was taken, pixels and palette byte for byte.
assert wrk[0:512] == forward[126:638], "slot 1 pixels differ"
assert wrk[10240:10304] == forward[62:126], "slot 1 palette differs"
print("restored: picture 1 2 after the 戻す, 進む gives 1 2 3, archive slot 1 equals it")
PY

# 終了 with a change not saved asks first (a box lower than the editor); いいえ keeps the editor.
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the editor to quit"
xdotool key 7
sleep 0.3
question_box() {
  local box=""
  for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --name '^Pictoforge$' 2>/dev/null || true); do
      [ "$(height_of "$id")" -lt 500 ] && box=$id
    done
    [ -n "$box" ] && break
    sleep 0.1
  done
  echo "$box"
}
xdotool key alt+e
box=$(question_box)
[ -n "$box" ] || fail "終了 with an unsaved change did not ask"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Escape  # いいえ
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "いいえ ended the program"
# はい: a clean end, nothing left to offer.
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "could not focus the editor to quit"
xdotool key alt+e
box=$(question_box)
[ -n "$box" ] || fail "the second 終了 did not ask"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return  # はい is the default button
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "終了 did not end the program"
app_pid=""
[ "$(journals)" = 0 ] || fail "a clean end left $(journals) journal(s)"
blobs=$(find "$work" -maxdepth 1 -name 'journal-*.blobs' | wc -l)
[ "$blobs" = 0 ] || fail "a clean end left $blobs blob file(s)"
echo "recovery e2e: passed"
