#!/usr/bin/python3
"""Checks a screenshot of the main window after typing 2 and A into the first two cells.

The grid starts where the dark brown canvas begins; each cell is 8 x 16 pixels. A typed digit is drawn in
its palette colour, so the first cell must hold green (0, 128, 0) pixels and the second lime (0, 255, 0).
"""
import sys

from PIL import Image

CANVAS = (53, 33, 16)
GREEN = (0, 128, 0)
LIME = (0, 255, 0)


def main(path):
    img = Image.open(path).convert("RGB")
    w, h = img.size
    px = img.load()
    # The first row whose left 256 pixels are mostly canvas brown is the grid's top row.
    top = None
    for y in range(h):
        brown = sum(1 for x in range(min(256, w)) if px[x, y] == CANVAS)
        if brown > 128:
            top = y
            break
    if top is None:
        print("no canvas found", file=sys.stderr)
        return 1

    def count(colour, left):
        return sum(1 for y in range(top, top + 16) for x in range(left, left + 8) if px[x, y] == colour)

    green, lime = count(GREEN, 0), count(LIME, 8)
    print(f"grid top {top}: cell 0 has {green} green pixels, cell 1 has {lime} lime pixels")
    return 0 if green > 3 and lime > 3 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
