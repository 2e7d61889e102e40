#!/usr/bin/python3
"""Checks the program's own icon: the committed .ico files are exactly what the editor's icon writers make
of the designs beside them, and every hicolor PNG shows the design's pixels enlarged without smoothing.

Usage: check_icons.py ICON_TOOL SOURCE_DIR BUILT_ICONS_DIR
"""
import filecmp
import os
import subprocess
import sys
import tempfile

from PIL import Image

# Each hicolor size, the design it comes from and the enlargement (numerator, denominator). Every size
# above 16 shows the 32-pixel design.
SIZES = {16: ("pictoforge-16", (1, 1)), 32: ("pictoforge-32", (1, 1)), 48: ("pictoforge-32", (3, 2)),
         64: ("pictoforge-32", (2, 1)), 128: ("pictoforge-32", (4, 1))}


def read_design(path):
    transparent, rows = None, []
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\r\n")
        if not line or line.startswith("#"):
            continue
        if line.startswith("transparent "):
            transparent = int(line.split()[1], 16)
        else:
            rows.append([int(c, 16) for c in line])
    assert transparent is not None and len(rows) in (16, 32), path
    assert all(len(r) == len(rows) for r in rows), path
    return transparent, rows


def current_palette(pal_path):
    """The colours of the line flagged as the current set: blue, green, red per entry, in hexadecimal."""
    for line in open(pal_path, encoding="ascii"):
        fields = line.strip().split(",")
        if len(fields) == 50 and fields[1] == "1":
            v = [int(f, 16) for f in fields[2:]]
            return [(v[3 * i + 2], v[3 * i + 1], v[3 * i]) for i in range(16)]
    raise AssertionError("no current set in " + pal_path)


def main(tool, source, built):
    icons = os.path.join(source, "packaging", "icons")
    pal = os.path.join(source, "data", "Pal.pal")
    palette = current_palette(pal)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for name in ("pictoforge-32", "pictoforge-16"):
            out = os.path.join(tmp, name + ".ico")
            subprocess.run([tool, "--author", os.path.join(icons, name + ".txt"), pal, out], check=True)
            if not filecmp.cmp(out, os.path.join(icons, name + ".ico"), shallow=False):
                print(f"{name}.ico is not what the icon writer makes of {name}.txt")
                failures += 1
    for size, (name, scale) in SIZES.items():
        transparent, rows = read_design(os.path.join(icons, name + ".txt"))
        image = Image.open(os.path.join(built, f"{size}x{size}", "org.pictoforge.Pictoforge.png")).convert("RGBA")
        n, d = scale
        if image.size != (size, size) or len(rows) * n != size * d:
            print(f"{size}x{size}: image is {image.size}")
            failures += 1
            continue
        px = image.load()
        wrong = 0
        for y in range(size):
            for x in range(size):
                index = rows[y * d // n][x * d // n]
                want = (0, 0, 0, 0) if index == transparent else palette[index] + (255,)
                wrong += px[x, y] != want
        print(f"{size}x{size} from {name} x{n}/{d}: {wrong} pixels differ")
        failures += wrong > 0
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
