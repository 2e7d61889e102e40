#!/usr/bin/env bash
# pictoforge-convert against pngquant and ImageMagick.
#
#   bench/convert_bench.sh [BUILD_DIR] [N]        (defaults: build, 200; N = 0 measures colours only)
#
# (a) Colour error of 16-colour squares. The pictures are made here, by ImageMagick: eight plasma
#     fractals and four gradients (320 x 240), ImageMagick's built-in rose, wizard, logo and granite, and
#     the program's own icons enlarged and softened so their edges carry in-between colours. Each picture
#     gives two 32 x 32 squares: the whole picture scaled down, and a 32 x 32 detail. Every square is
#     reduced by pictoforge-convert (the reduction of the windows, and --quality best), by `pngquant 16`
#     and by ImageMagick's `+dither -colors 16`; the error of a square is the mean over its pixels of the
#     squared RGB distance to the original, and each method's geometric mean over all squares is printed.
# (b) Throughput: N camera-sized JPEGs (6000 x 4000, four variants copied) to 32 x 32 16-colour icons with
#     --fit, on all cores, against ImageMagick as a newcomer and as an expert writes it, each run through
#     `xargs -P <cores>` over the same files. Files per second and the peak memory of one process
#     (GNU time's maximum resident set size).
#
# ImageMagick is called as /usr/bin/convert (IM=... to change it). The pictures and outputs stay in
# $BENCH_DIR (default: a temporary folder, removed at the end); the JPEGs are made once and reused when
# BENCH_DIR is given again.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
N=${2:-200}
IM=${IM:-/usr/bin/convert}
TOOL=$BUILD/tools/convert/pictoforge-convert
CORES=$(nproc)
[ -x "$TOOL" ] || { echo "build $TOOL first (cmake --build $BUILD --target pictoforge-convert)" >&2; exit 2; }
command -v pngquant >/dev/null || { echo "pngquant is missing (scripts/setup installs it)" >&2; exit 2; }
[ -x "$IM" ] || { echo "ImageMagick's convert is missing at $IM" >&2; exit 2; }

if [ -n "${BENCH_DIR:-}" ]; then
  WORK=$BENCH_DIR
  mkdir -p "$WORK"
else
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
fi

# --- (a) colour error ----------------------------------------------------------------------------------
echo "== colour error of 16-colour 32 x 32 squares"
SRC=$WORK/pictures
SQ=$WORK/squares
rm -rf "$SRC" "$SQ" "$WORK/err"
mkdir -p "$SRC" "$SQ" "$WORK/err"/{default,best,best0,pngquant,magick}
for seed in 1 2 3 4 5 6 7 8; do
  "$IM" -seed $seed -size 320x240 plasma:fractal "$SRC/plasma$seed.png"
done
"$IM" -size 320x240 gradient:navy-orange "$SRC/gradient1.png"
"$IM" -size 320x240 radial-gradient:yellow-darkgreen "$SRC/gradient2.png"
"$IM" -size 320x240 gradient:red-blue -swirl 180 "$SRC/gradient3.png"
"$IM" -size 320x240 radial-gradient:white-purple -wave 20x80 "$SRC/gradient4.png"
for builtin in rose wizard logo granite; do
  "$IM" "$builtin:" -resize '320x240!' "$SRC/$builtin.png"
done
for icon in packaging/icons/pictoforge-32.ico packaging/icons/pictoforge-16.ico; do
  "$IM" "$icon" -filter point -resize '320x240!' -blur 0x6 "$SRC/$(basename "$icon" .ico).png"
done
for f in "$SRC"/*.png; do
  name=$(basename "$f" .png)
  "$IM" "$f" -resize '32x32!' -type TrueColor "PNG24:$SQ/$name-whole.png"
  "$IM" "$f" -crop 32x32+150+100 +repage -type TrueColor "PNG24:$SQ/$name-detail.png"
done

"$TOOL" "$SQ"/*.png --format bmp -o "$WORK/err/default" --force 2>/dev/null
"$TOOL" "$SQ"/*.png --format bmp --quality best -o "$WORK/err/best" --force 2>/dev/null
"$TOOL" "$SQ"/*.png --format bmp --quality best --threshold 0 -o "$WORK/err/best0" --force 2>/dev/null
for f in "$SQ"/*.png; do
  name=$(basename "$f" .png)
  pngquant 16 --force --output "$WORK/err/pngquant/$name.png" "$f" || true
  "$IM" "$f" +dither -colors 16 "PNG24:$WORK/err/magick/$name.png"
done

/usr/bin/python3 - "$SQ" "$WORK/err" <<'EOF'
import math, os, sys
from PIL import Image
squares, out = sys.argv[1], sys.argv[2]
methods = [("default", ".bmp", "pictoforge-convert (the windows' reduction)"),
           ("best", ".bmp", "pictoforge-convert --quality best"),
           ("best0", ".bmp", "pictoforge-convert --quality best --threshold 0"),
           ("pngquant", ".png", "pngquant 16"),
           ("magick", ".png", "ImageMagick +dither -colors 16")]
names = sorted(n[:-4] for n in os.listdir(squares) if n.endswith(".png"))
def error(a, b):
    pa, pb = a.convert("RGB").getdata(), b.convert("RGB").getdata()
    return sum((x[0]-y[0])**2 + (x[1]-y[1])**2 + (x[2]-y[2])**2 for x, y in zip(pa, pb)) / len(pa)
errors = {m: [] for m, _, _ in methods}
worse = 0
for n in names:
    src = Image.open(os.path.join(squares, n + ".png"))
    row = []
    for m, ext, _ in methods:
        path = os.path.join(out, m, n + ext)
        e = error(src, Image.open(path)) if os.path.exists(path) else float("nan")
        errors[m].append(e)
        row.append(e)
    if row[1] > row[0]: worse += 1
    print(f"  {n:24s}" + "".join(f"{e:10.1f}" for e in row))
print(f"  {'':24s}" + "".join(f"{m:>10s}" for m, _, _ in methods))
geo = {}
for m, _, label in methods:
    vals = [max(e, 0.01) for e in errors[m] if not math.isnan(e)]
    geo[m] = math.exp(sum(math.log(v) for v in vals) / len(vals))
    print(f"  geometric mean {geo[m]:8.2f}  {label}  ({len(vals)} squares)")
print(f"  best / pngquant = {geo['best'] / geo['pngquant']:.2f}, best at threshold 0 / pngquant = "
      f"{geo['best0'] / geo['pngquant']:.2f}, default / pngquant = "
      f"{geo['default'] / geo['pngquant']:.2f}, best / default = {geo['best'] / geo['default']:.2f}; "
      f"squares where best is worse than default: {worse}")
EOF

# --- (b) throughput ------------------------------------------------------------------------------------
[ "$N" -gt 0 ] || exit 0
echo "== $N JPEGs of 6000 x 4000 to 32 x 32 16-colour icons, $CORES processes or threads"
PHOTOS=$WORK/photos
mkdir -p "$PHOTOS"
if [ "$(find "$PHOTOS" -name '*.jpg' | wc -l)" -lt "$N" ]; then
  for v in 0 1 2 3; do
    [ -f "$PHOTOS/variant$v.jpg" ] && continue
    "$IM" -seed $((v + 11)) -size 1500x1000 plasma:fractal -resize '6000x4000!' -modulate 100,$((100 + 20 * v)),$((100 + 30 * v)) \
      -quality 90 "$PHOTOS/variant$v.jpg"
  done
  for i in $(seq -w 1 "$N"); do
    cp "$PHOTOS/variant$((10#$i % 4)).jpg" "$PHOTOS/photo$i.jpg"
  done
fi
find "$PHOTOS" -name 'photo*.jpg' | sort | head -n "$N" >"$WORK/list"

measure() {  # label, then the command; prints files/s and the peak memory
  local label=$1
  shift
  local log=$WORK/time.log
  /usr/bin/time -v "$@" 2>"$log" >/dev/null || { echo "  $label failed:"; tail -5 "$log"; return; }
  local wall peak
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log" |
    awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }')
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  # Processor time (user + system, children included) is steadier than the wall clock on a shared machine.
  cpu=$(awk -F': ' '/User time|System time/ {t += $2} END {print t}' "$log")
  printf "  %-24s %7.2f s %7.2f files/s  %6.3f cpu s/file  peak %6.1f MB\n" "$label" "$wall" \
    "$(echo "$N / $wall" | bc -l)" "$(echo "$cpu / $N" | bc -l)" "$(echo "$peak / 1024" | bc -l)"
  echo "$wall" >"$WORK/wall-$label"
  echo "$cpu" >"$WORK/cpu-$label"
}

rm -rf "$WORK/out"
mkdir -p "$WORK/out"/{ours,newcomer,expert}
# shellcheck disable=SC2046
measure pictoforge-convert "$TOOL" --fit $(cat "$WORK/list") -o "$WORK/out/ours" --force
export IM WORK
measure imagemagick-expert xargs -P "$CORES" -I{} sh -c \
  '"$IM" -define jpeg:size=64x64 "$1" -thumbnail 32x32 -colors 16 "BMP3:$WORK/out/expert/$(basename "$1" .jpg).bmp"' \
  _ {} <"$WORK/list"
measure imagemagick-newcomer xargs -P "$CORES" -I{} sh -c \
  '"$IM" "$1" -resize 32x32 -colors 16 "BMP3:$WORK/out/newcomer/$(basename "$1" .jpg).bmp"' _ {} <"$WORK/list"
ratio() { echo "$(cat "$WORK/$1-imagemagick-$2") / $(cat "$WORK/$1-pictoforge-convert")" | bc -l; }
printf "  throughput: %.1f x the expert command, %.1f x the newcomer's (processor time: %.1f x, %.1f x)\n" \
  "$(ratio wall expert)" "$(ratio wall newcomer)" "$(ratio cpu expert)" "$(ratio cpu newcomer)"
