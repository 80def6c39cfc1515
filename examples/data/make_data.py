#!/usr/bin/env python3
"""Writes the example images: small cell-like scenes, deterministic, standard library only.

    python3 make_data.py [output folder]   (default: the folder of this script)

cells_1..4.png   64 x 64 grey 8-bit, bright round blobs on a dark noisy background
cells_16.png     64 x 64 grey 16-bit, the same kind of scene over the 16-bit range
cells_rgb.png    64 x 64 RGB, blobs in three colours
cells.txt        16 x 12 text image (numbers separated by blanks)
images.txt       the image files above, one relative path a line
grey.txt         the grey ones of them
"""
import math
import os
import random
import struct
import sys
import zlib

SIZE = 64


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, bit_depth, colour_type, rows):
    """rows: one bytes object per row, already in PNG sample order (big-endian for 16 bits)."""
    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(png_chunk(b"IHDR", header))
        out.write(png_chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(png_chunk(b"IEND", b""))


def scene(rng, count, size=SIZE, radius=(3.0, 6.0)):
    """Intensities in 0..1: a few separated soft discs plus a little noise."""
    blobs = []
    margin = radius[1] + 1
    while len(blobs) < count:
        x, y = rng.uniform(margin, size - margin), rng.uniform(margin, size - margin)
        r = rng.uniform(*radius)
        if all(math.hypot(x - bx, y - by) > r + br + 3 for bx, by, br in blobs):
            blobs.append((x, y, r))
    image = []
    for py in range(size):
        row = []
        for px in range(size):
            v = 0.08 + rng.gauss(0, 0.02)
            for bx, by, br in blobs:
                d = math.hypot(px - bx, py - by)
                v += 0.75 / (1.0 + math.exp((d - br) * 2.0))
            row.append(min(1.0, max(0.0, v)))
        image.append(row)
    return image


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = random.Random(20240611)
    names = []
    for i in range(1, 5):
        img = scene(rng, 4 + i)
        name = "cells_%d.png" % i
        write_png(os.path.join(folder, name), SIZE, SIZE, 8, 0,
                  [bytes(int(round(v * 255)) for v in row) for row in img])
        names.append(name)

    img = scene(rng, 6)
    write_png(os.path.join(folder, "cells_16.png"), SIZE, SIZE, 16, 0,
              [b"".join(struct.pack(">H", int(round(v * 65535))) for v in row) for row in img])
    names.append("cells_16.png")

    channels = [scene(rng, 3) for _ in range(3)]
    write_png(os.path.join(folder, "cells_rgb.png"), SIZE, SIZE, 8, 2,
              [bytes(int(round(channels[c][y][x] * 255)) for x in range(SIZE) for c in range(3))
               for y in range(SIZE)])
    names.append("cells_rgb.png")

    small = scene(rng, 2, 16, (1.5, 2.5))[:12]
    with open(os.path.join(folder, "cells.txt"), "w") as out:
        out.write("# a 16 x 12 text image\n")
        for row in small:
            out.write(" ".join("%.3f" % (v * 100.0) for v in row) + "\n")
    names.append("cells.txt")

    with open(os.path.join(folder, "images.txt"), "w") as out:
        out.write("\n".join(names) + "\n")
    # The grey images only: what the cell-counting graph takes.
    with open(os.path.join(folder, "grey.txt"), "w") as out:
        out.write("# grey images for count_cells.ogr\n")
        out.write("\n".join(n for n in names if n.endswith(".png") and "rgb" not in n) + "\n")


if __name__ == "__main__":
    main()
