#!/usr/bin/env python3
"""Draws the sample heightmaps in examples/: 64 x 64 grey bitmaps, black low, white high.

    scripts/make_examples.py [folder]

crater.bmp: a ring wall around a sunken floor with a small central peak, on gently rolling
ground. hill.bmp: a rounded hill with a gentler shoulder to one side. Both are drawn from
formulas alone, so running this again gives the same bytes.
"""

import math
import pathlib
import struct
import sys

EDGE = 64


def bitmap(levels):
    """An 8-bit bitmap with a grey palette; levels[y][x] is the grey of row y (top first)."""
    height = len(levels)
    width = len(levels[0])
    row_bytes = (width + 3) // 4 * 4
    palette = b"".join(bytes((v, v, v, 0)) for v in range(256))
    pixels = b"".join(  # bitmaps store the bottom row first
        bytes(row) + bytes(row_bytes - width) for row in reversed(levels)
    )
    offset = 14 + 40 + len(palette)
    file_header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack(
        "<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0
    )
    return file_header + info_header + palette + pixels


def grey(value):
    """0..1 to a grey level 0..255."""
    return max(0, min(255, round(value * 255)))


def crater(x, y):
    cx, cy = 31.5, 30.5
    r = math.hypot(x - cx, y - cy)
    ground = 0.30 + 0.03 * math.sin(x * 0.21) * math.cos(y * 0.17)
    rim = 0.45 * math.exp(-(((r - 20.0) / 4.0) ** 2))
    floor = -0.18 * (1.0 - min(r / 18.0, 1.0) ** 2) if r < 18.0 else 0.0
    peak = 0.20 * math.exp(-((r / 3.0) ** 2))
    return grey(ground + rim + floor + peak)


def hill(x, y):
    top = 0.85 * math.exp(-(((x - 28.0) ** 2 + (y - 34.0) ** 2) / (2 * 13.0**2)))
    shoulder = 0.30 * math.exp(-(((x - 48.0) ** 2 + (y - 18.0) ** 2) / (2 * 9.0**2)))
    return grey(0.08 + top + shoulder)


def main():
    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                          pathlib.Path(__file__).resolve().parent.parent / "examples")
    folder.mkdir(parents=True, exist_ok=True)
    for name, height in (("crater", crater), ("hill", hill)):
        levels = [[height(x, y) for x in range(EDGE)] for y in range(EDGE)]
        path = folder / f"{name}.bmp"
        path.write_bytes(bitmap(levels))
        print(path)


if __name__ == "__main__":
    main()
