#!/usr/bin/env bash
# Start-up of the editor against the floor for any Qt program (bench/startup/floor.cpp: a main window with
# a menu bar, a status bar and one Japanese label): the time from exec to the main window mapped on the X
# server, both programs started turn about under one private Xvfb, the medians and their ratio.
# Usage: bench/startup_bench.sh BUILD_DIR [RUNS] [OTHER_PICTOFORGE]
#   BUILD_DIR holds pictoforge, Pal.pal, bench/startup_floor and bench/map_watch
#   (cmake --build BUILD_DIR --target pictoforge startup_floor map_watch).
#   OTHER_PICTOFORGE, when given, is timed in the same rounds too (an older build to compare with).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-15}
other=${3:-}

work=$(mktemp -d)
chmod 700 "$work"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Each editor in a program folder of its own, with the shipped palette file; started once beforehand so
# that every timed start finds its settings file, as a user's does.
mkdir -m 700 "$work/editor" "$work/other"
cp "$build/pictoforge" "$build/Pal.pal" "$work/editor/"
[ -n "$other" ] && cp "$other" "$work/other/pictoforge" && cp "$build/Pal.pal" "$work/other/"

source "$(dirname "$0")/../scripts/lib/private_x.sh"
pf_private_x "$work"

watch="$build/bench/map_watch"
floor="$build/bench/startup_floor"
time_editor() { "$watch" Pictoforge "$1/pictoforge"; }
time_floor() { "$watch" Floor "$floor"; }

# Warm the caches (files, fonts) and write the settings files.
time_floor >/dev/null
time_editor "$work/editor" >/dev/null
[ -n "$other" ] && time_editor "$work/other" >/dev/null

: >"$work/floor.txt"
: >"$work/editor.txt"
: >"$work/other.txt"
for i in $(seq "$runs"); do
  # Turn about, and the order within a round changes, so that neither program always follows the other.
  if ((i % 2)); then
    time_floor >>"$work/floor.txt"
    time_editor "$work/editor" >>"$work/editor.txt"
    [ -n "$other" ] && time_editor "$work/other" >>"$work/other.txt"
  else
    [ -n "$other" ] && time_editor "$work/other" >>"$work/other.txt"
    time_editor "$work/editor" >>"$work/editor.txt"
    time_floor >>"$work/floor.txt"
  fi
  sleep 0.2
done

# Column 1 of each line: wall time to the mapped window; column 2: the program's CPU time by then.
median() { cut -d' ' -f"$2" "$1" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
spread() { cut -d' ' -f"$2" "$1" | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.1f..%.1f", lo, hi }'; }
report() {  # NAME FILE
  local w c
  w=$(median "$2" 1)
  c=$(median "$2" 2)
  printf '%-10s wall median %6.1f ms (%s) ratio %.3f   CPU median %6.1f ms (%s) ratio %.3f\n' "$1" "$w" \
    "$(spread "$2" 1)" "$(echo "$w / $fw" | bc -l)" "$c" "$(spread "$2" 2)" "$(echo "$c / $fc" | bc -l)"
}
fw=$(median "$work/floor.txt" 1)
fc=$(median "$work/floor.txt" 2)
echo "$runs runs each, interleaved; ratios against the floor's medians"
report floor "$work/floor.txt"
report pictoforge "$work/editor.txt"
[ -n "$other" ] && report other "$work/other.txt"
true
