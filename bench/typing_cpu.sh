#!/usr/bin/env bash
# The editor's own CPU time per typed digit on a real X server: starts the built program under a private
# Xvfb (its own program folder and runtime folder), types 600 digits into the grid with xdotool, and
# subtracts the CPU the program spends idle (the caret blinks) over as long a wall time. CPU time comes
# from the scheduler (/proc/PID/task/*/schedstat, nanoseconds, all threads): work of other programs does
# not count, though on a busy machine it still slows caches; take the median of several runs.
# Usage: bench/typing_cpu.sh BUILD_DIR [RUNS]     prints ms of CPU per digit for each run and their median.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
digits=600
batch=50

work=$(mktemp -d)
chmod 700 "$work"
source "$(dirname "$0")/../scripts/lib/private_x.sh"
trap pf_end_session EXIT

cp "$build/pictoforge" "$work/pictoforge"
cp "$build/Pal.pal" "$work/Pal.pal"

pf_private_x "$work"

cpu() {  # nanoseconds on the CPU of all the program's threads
  cat /proc/"$app_pid"/task/*/schedstat | awk '{ s += $1 } END { printf "%d\n", s }'
}
now() { date +%s.%N; }

results=()
for run in $(seq "$runs"); do
  rm -f "$work"/*.ini "$work"/*.wrk
  "$work/pictoforge" >"$work/app.log" 2>&1 &
  app_pid=$!
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name '^Pictoforge$' 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "no editor window" >&2; cat "$work/app.log" >&2; exit 1; }
  sleep 1
  xdotool windowfocus --sync "$wid"
  sleep 0.5

  # Digits 1..9, 0 over and over: every one changes the pixel, so every one is also an undo step.
  keys=()
  for i in $(seq "$batch"); do keys+=($((i % 10))); done
  c0=$(cpu)
  t0=$(now)
  for _ in $(seq $((digits / batch))); do xdotool key --delay 4 "${keys[@]}"; done
  sleep 0.3  # let the last repaint land
  t1=$(now)
  c1=$(cpu)
  wall=$(echo "$t1 - $t0" | bc -l)
  sleep "$wall"
  c2=$(cpu)
  ms=$(echo "(($c1 - $c0) - ($c2 - $c1)) / 1000000 / $digits" | bc -l)
  printf 'run %d: %.3f ms CPU per digit (typing: %.2f s wall, %.0f ms CPU; as long idle: %.0f ms CPU)\n' \
    "$run" "$ms" "$wall" "$(echo "($c1 - $c0) / 1000000" | bc -l)" "$(echo "($c2 - $c1) / 1000000" | bc -l)"
  results+=("$ms")
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
done
median=$(printf '%s\n' "${results[@]}" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }')
printf 'median over %d runs: %.3f ms CPU per typed digit\n' "$runs" "$median"
