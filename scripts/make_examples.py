#!/usr/bin/env python3
"""Draws the sample heightmaps in examples/, black low, white high.

    scripts/make_examples.py [folder]

crater.bmp: a ring wall around a sunken floor with a small central peak, on gently rolling
ground. hill.bmp: a rounded hill with a gentler shoulder to one side. Both 64 x 64 grey bitmaps.
valley.png: a river valley winding between ridges, 257 x 257 pixels of 16-bit grey, as terrain
generators write them. All are drawn from formulas alone, so running this again gives the same
bytes.
"""

import math
import pathlib
import struct
import sys
import zlib

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


def png16(levels):
    """A 16-bit grey PNG; levels[y][x] is 0..65535, row 0 at the top. Each row is filtered
    against the one above (PNG filter 2), which suits smooth terrain."""
    width, height = len(levels[0]), len(levels)
    raw = bytearray()
    previous = bytes(2 * width)
    for row in levels:
        data = b"".join(struct.pack(">H", v) for v in row)
        raw += b"\x02" + bytes((a - b) & 0xFF for a, b in zip(data, previous))
        previous = data

    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload
                + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 16, 0, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def valley(x, y):
    """0..1: ridges of a few wavelengths, cut by a river winding from north to south."""
    u, v = x / 256.0, y / 256.0
    ridges = 0.0
    for k, (fx, fy, phase) in enumerate(((3.1, 2.3, 0.4), (7.3, 5.9, 1.3), (15.7, 13.1, 2.1),
                                         (31.3, 29.9, 0.7))):
        ridges += math.sin(fx * u * 2 + phase) * math.cos(fy * v * 2 - phase) / (1.9 ** k)
    river = 0.5 + 0.18 * math.sin(v * 7.0) + 0.06 * math.sin(v * 19.0)
    cut = math.exp(-(((u - river) / 0.09) ** 2))
    return max(0.0, min(1.0, 0.55 + 0.28 * ridges - 0.45 * cut + 0.1 * (1 - v)))


def main():
    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                          pathlib.Path(__file__).resolve().parent.parent / "examples")
    folder.mkdir(parents=True, exist_ok=True)
    for name, height in (("crater", crater), ("hill", hill)):
        levels = [[height(x, y) for x in range(EDGE)] for y in range(EDGE)]
        path = folder / f"{name}.bmp"
        path.write_bytes(bitmap(levels))
        print(path)
    levels = [[round(valley(x, y) * 65535) for x in range(257)] for y in range(257)]
    path = folder / "valley.png"
    path.write_bytes(png16(levels))
    print(path)


if __name__ == "__main__":
    main()
