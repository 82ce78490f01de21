#!/usr/bin/env python3
"""Seeded test terrains for the simplifier benchmarks, as 16-bit grey PNGs.

    bench/make_terrains.py OUTDIR [--sizes 513,4097] [--kinds rough,fractal,hills,ridges] [--seed 16]

Writes OUTDIR/<kind>-<size>.png for each kind (--kinds picks some), all from midpoint
displacement (diamond-square):
  rough    roughness 0.5: every octave as steep as the last, noisy down to the pixel;
  fractal  roughness 0.45: mountains with rough slopes;
  hills    roughness 0.4 plus a broad tilt: smoother valleys and ridges;
  ridges   roughness 0.45 folded into ridged noise, 1 - |noise| squared, so every crossing of
           the middle height becomes a sharp crest; below the crests, flat terraces with steep
           risers and a flat floor: long creases beside large regions of one exact level.
Each picture spans the full 16-bit range (0 to 65535), so a fraction of the height range is the
same fraction of full scale, the unit hmm's -e uses. Sizes must be 2^k + 1. The same seed always
gives the same bytes.
"""
import argparse
import array
import os
import random
import struct
import sys
import zlib


KINDS = (("rough", 0.5, 0.0), ("fractal", 0.45, 0.0), ("hills", 0.4, 1.5), ("ridges", 0.45, 0.0))
# Ridges: below TERRACED the height goes in TERRACES flat treads, each ending in a riser that
# takes RISER of the step; under FLOOR it is one flat floor; above TERRACED the crests stay sharp.
TERRACES = 4
TERRACED = 0.6
RISER = 0.25
FLOOR = 0.1


def diamond_square(size, roughness, rng):
    n = size - 1
    if n < 1 or n & (n - 1):
        sys.exit(f"size {size} is not 2^k + 1")
    h = [0.0] * (size * size)
    for y in (0, n):
        for x in (0, n):
            h[y * size + x] = rng.uniform(-1.0, 1.0)
    step, amp = n, 1.0
    while step > 1:
        half = step // 2
        # Square step: centre of each square from its four corners.
        for y in range(half, n, step):
            row, up, down = y * size, (y - half) * size, (y + half) * size
            for x in range(half, n, step):
                avg = (h[up + x - half] + h[up + x + half] + h[down + x - half]
                       + h[down + x + half]) * 0.25
                h[row + x] = avg + rng.uniform(-amp, amp)
        # Diamond step: edge midpoints from their (up to four) neighbours.
        for y in range(0, n + 1, half):
            row = y * size
            for x in range((y + half) % step, n + 1, step):
                total, count = 0.0, 0
                if x >= half:
                    total += h[row + x - half]; count += 1
                if x + half <= n:
                    total += h[row + x + half]; count += 1
                if y >= half:
                    total += h[row - half * size + x]; count += 1
                if y + half <= n:
                    total += h[row + half * size + x]; count += 1
                h[row + x] = total / count + rng.uniform(-amp, amp)
        step, amp = half, amp * roughness
    return h


def ridged(h):
    """Ridged noise from h: sharp crests where h crosses its middle, terraces and a flat floor."""
    lo, hi = min(h), max(h)
    mid, half = (lo + hi) / 2, (hi - lo) / 2 or 1.0
    step_height = TERRACED / TERRACES
    out = [0.0] * len(h)
    for i, v in enumerate(h):
        r = 1.0 - abs(v - mid) / half
        r = max(r * r, FLOOR)
        if r < TERRACED:
            step, within = divmod(r / step_height, 1.0)
            rise = (within - (1.0 - RISER)) / RISER
            r = (step + (rise if rise > 0.0 else 0.0)) * step_height
        out[i] = r
    return out


def to_levels(h):
    lo, hi = min(h), max(h)
    scale = 65535.0 / (hi - lo) if hi > lo else 0.0
    return array.array("H", (int((v - lo) * scale + 0.5) for v in h))


def write_png(path, size, levels):
    if sys.byteorder == "little":
        levels = array.array("H", levels)
        levels.byteswap()
    raw = levels.tobytes()
    stride = size * 2
    rows = b"".join(b"\0" + raw[y * stride:(y + 1) * stride] for y in range(size))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 16, 0, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                  + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--sizes", default="513,4097")
    parser.add_argument("--kinds", default=",".join(kind for kind, _, _ in KINDS))
    parser.add_argument("--seed", type=int, default=16)
    args = parser.parse_args()
    wanted = args.kinds.split(",")
    unknown = set(wanted) - {kind for kind, _, _ in KINDS}
    if unknown:
        sys.exit(f"unknown kind {', '.join(sorted(unknown))}")
    os.makedirs(args.outdir, exist_ok=True)
    for size in (int(s) for s in args.sizes.split(",")):
        for kind, roughness, tilt in KINDS:
            if kind not in wanted:
                continue
            rng = random.Random(f"{args.seed}-{kind}-{size}")
            h = diamond_square(size, roughness, rng)
            if tilt:
                n = size - 1
                h = [v + tilt * ((i % size) + (i // size)) / (2 * n) for i, v in enumerate(h)]
            if kind == "ridges":
                h = ridged(h)
            path = os.path.join(args.outdir, f"{kind}-{size}.png")
            write_png(path, size, to_levels(h))
            print(path)


if __name__ == "__main__":
    main()
