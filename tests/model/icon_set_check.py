#!/usr/bin/env python3
"""Reads every image of icon files with Pillow, ImageMagick and icotool and checks that a save kept them.

Usage: icon_set_check.py DIR

DIR holds the files and cases.json, a list of objects:
  before    the file as it was before the save
  after     the file the save wrote
  replaced  [edge, bit count, png]: the kind of image the save puts in (0 bit count for a PNG)

For every file, each image must look the same to all three readers (RGBA, every fully transparent pixel
counted as (0, 0, 0, 0)). Every image of `before` that is not of the replaced kind must be in `after`,
its stored bytes and its pixels unchanged, and `after` must hold exactly one image of the replaced kind.

Exits 0 when everything matches, 1 on any difference (listed on stderr), 77 when a reader is missing.
"""

import glob
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    print("icon_set_check: Pillow is not installed (Debian package python3-pil)", file=sys.stderr)
    sys.exit(77)

CONVERT = "/usr/bin/convert"
ICOTOOL = "/usr/bin/icotool"
for tool in (CONVERT, ICOTOOL):
    if not os.path.exists(tool):
        print("icon_set_check: %s is missing" % tool, file=sys.stderr)
        sys.exit(77)


def entries(data):
    """(width, height, kind, stored bytes) of each directory entry, in directory order."""
    count = struct.unpack_from("<H", data, 4)[0]
    out = []
    for i in range(count):
        w, h = data[6 + 16 * i], data[7 + 16 * i]
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        image = data[offset:offset + size]
        edge = (w or 256) if (w or 256) == (h or 256) else -1
        if image[:8] == b"\x89PNG\r\n\x1a\n":
            kind = (edge, 0, True)
        else:
            bits = struct.unpack_from("<H", image, 14)[0]
            kind = (edge, bits, False)
        out.append((w or 256, h or 256, kind, image, offset))
    return out


def normal(pixels):
    return [(0, 0, 0, 0) if p[3] == 0 else tuple(p) for p in pixels]


def read_pam(path):
    with open(path, "rb") as f:
        data = f.read()
    head, body = data.split(b"ENDHDR\n", 1)
    fields = dict(line.split(b" ", 1) for line in head.split(b"\n")[1:] if b" " in line)
    w, h, depth = int(fields[b"WIDTH"]), int(fields[b"HEIGHT"]), int(fields[b"DEPTH"])
    pixels = []
    for i in range(w * h):
        p = body[depth * i:depth * (i + 1)]
        pixels.append(tuple(p) if depth == 4 else (p[0], p[1], p[2], 255))
    return (w, h), normal(pixels)


def decode_all(path, work):
    """Per directory entry, the pictures the three readers make of it."""
    with open(path, "rb") as f:
        data = f.read()
    listed = entries(data)
    pictures = [dict() for _ in listed]
    ico = Image.open(path).ico
    offsets = [h["offset"] for h in ico.entry]
    for i, e in enumerate(listed):
        frame = ico.frame(offsets.index(e[4])).convert("RGBA")
        pictures[i]["Pillow"] = (frame.size, normal(frame.getdata()))
    base = os.path.join(work, os.path.basename(path))
    subprocess.run([CONVERT, path, "-depth", "8", base + "-%d.pam"], check=True)
    for i in range(len(listed)):
        pictures[i]["ImageMagick"] = read_pam(base + "-%d.pam" % i)
    out = os.path.join(work, "icotool-" + os.path.basename(path))
    os.makedirs(out)
    subprocess.run([ICOTOOL, "-x", "-o", out, path], check=True)
    for name in glob.glob(os.path.join(out, "*.png")):
        index = int(re.search(r"_(\d+)_\d+x\d+x\d+\.png$", name).group(1)) - 1
        image = Image.open(name).convert("RGBA")
        pictures[index]["icotool"] = (image.size, normal(image.getdata()))
    return listed, pictures


def main():
    folder = sys.argv[1]
    with open(os.path.join(folder, "cases.json")) as f:
        cases = json.load(f)
    problems = []
    work = tempfile.mkdtemp()
    decoded = {}
    try:
        for case in cases:
            for name in (case["before"], case["after"]):
                if name in decoded:
                    continue
                listed, pictures = decode_all(os.path.join(folder, name), work)
                decoded[name] = (listed, pictures)
                for i, seen in enumerate(pictures):
                    if set(seen) != {"Pillow", "ImageMagick", "icotool"}:
                        problems.append("%s entry %d: read only by %s" % (name, i, sorted(seen)))
                        continue
                    if not (seen["Pillow"] == seen["ImageMagick"] == seen["icotool"]):
                        problems.append("%s entry %d: the readers disagree" % (name, i))
            kind = tuple(case["replaced"])
            kind = (kind[0], kind[1], bool(kind[2]))
            before, before_pictures = decoded[case["before"]]
            after, after_pictures = decoded[case["after"]]
            label = "%s -> %s" % (case["before"], case["after"])
            replaced = False
            for i, e in enumerate(before):
                if e[2] == kind and not replaced:
                    replaced = True
                    continue
                kept = [j for j, a in enumerate(after) if a[3] == e[3]]
                if not kept:
                    problems.append("%s: entry %d (%dx%d) is gone or changed" % (label, i, e[0], e[1]))
                elif after_pictures[kept[0]].get("Pillow") != before_pictures[i].get("Pillow"):
                    problems.append("%s: entry %d reads differently" % (label, i))
            if sum(1 for a in after if a[2] == kind) != sum(1 for b in before if b[2] == kind) + (0 if replaced else 1):
                problems.append("%s: the image of the save's kind is not there once" % label)
            expected_count = len(before) + (0 if replaced else 1)
            if len(after) != expected_count:
                problems.append("%s: %d images, not %d" % (label, len(after), expected_count))
    finally:
        shutil.rmtree(work)
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
