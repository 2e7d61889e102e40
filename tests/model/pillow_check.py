#!/usr/bin/env python3
"""Decodes icon and bitmap files with Pillow and compares them with what their writer intended.

Usage: pillow_check.py DIR

DIR holds the files and expected.json, a list of objects:
  file         name of the file in DIR (.ico or .bmp)
  width/height picture size
  palette      16 [red, green, blue] entries
  pixels       palette indices, width * height, top row first
  transparent  for icons the index whose pixels are masked (-1: none); -1 for bitmaps
  rgb          optional, icons only: [red, green, blue] per pixel, top row first, for pictures without a
               palette; given, it replaces palette and pixels, and `mask` must be given too
  mask         optional, icons only: 0/1 per pixel, top row first, 1 where the pixel must be transparent;
               given, it decides transparency instead of `transparent`

Exits 0 when every file matches, 1 on any difference (listed on stderr), 77 when Pillow is missing.
"""

import json
import os
import sys

try:
    from PIL import Image
except ImportError:
    print("pillow_check: Pillow is not installed (Debian package python3-pil)", file=sys.stderr)
    sys.exit(77)


def check(folder, item):
    problems = []
    name = item["file"]
    width, height = item["width"], item["height"]
    palette = [tuple(entry) for entry in item.get("palette", [])]
    pixels = item.get("pixels")
    transparent = item.get("transparent", -1)
    mask = item.get("mask")
    rgb = item.get("rgb")

    def colour(i):
        return tuple(rgb[i]) if rgb is not None else palette[pixels[i]]

    with Image.open(os.path.join(folder, name)) as image:
        image.load()
        if image.size != (width, height):
            return [f"{name}: size {image.size}, expected {(width, height)}"]

        if name.endswith(".bmp"):
            if image.mode != "P":
                problems.append(f"{name}: mode {image.mode}, expected P")
            else:
                raw = image.getpalette()[: 3 * 16]
                got = [tuple(raw[i : i + 3]) for i in range(0, len(raw), 3)]
                if got != palette[: len(got)] or len(got) < 16:
                    problems.append(f"{name}: palette {got}, expected {palette}")
            rgb = image.convert("RGB")
            for y in range(height):
                for x in range(width):
                    want = palette[pixels[y * width + x]]
                    if rgb.getpixel((x, y)) != want:
                        problems.append(f"{name}: pixel ({x}, {y}) {rgb.getpixel((x, y))}, expected {want}")
        else:
            # Pillow turns the AND mask of an icon into alpha.
            rgba = image.convert("RGBA")
            for y in range(height):
                for x in range(width):
                    i = y * width + x
                    r, g, b, a = rgba.getpixel((x, y))
                    masked = mask[i] == 1 if mask is not None else pixels[i] == transparent
                    if masked:
                        if a != 0:
                            problems.append(f"{name}: pixel ({x}, {y}) alpha {a}, expected transparent")
                    elif a != 255 or (r, g, b) != colour(i):
                        problems.append(f"{name}: pixel ({x}, {y}) {(r, g, b, a)}, expected {colour(i)} opaque")
    return problems


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder = sys.argv[1]
    with open(os.path.join(folder, "expected.json"), encoding="utf-8") as f:
        items = json.load(f)
    problems = []
    for item in items:
        problems.extend(check(folder, item))
    for line in problems[:50]:
        print("pillow_check: " + line, file=sys.stderr)
    if len(problems) > 50:
        print(f"pillow_check: ... and {len(problems) - 50} more", file=sys.stderr)
    print(f"pillow_check: {len(items)} files, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
