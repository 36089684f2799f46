#!/usr/bin/env python3
"""Draws the home-screen icons that new projects get: four colour variants in the five sizes
76, 120, 152, 180 and 192, as "SIZE-VARIANT.png". Standard library only.

Usage: make_touch_icons.py OUTPUT_FOLDER
"""
import math
import os
import struct
import sys
import zlib

SIZES = (76, 120, 152, 180, 192)
# Top and bottom colours of the background gradient of each variant.
VARIANTS = {
    1: ((0x28, 0xAF, 0xFA), (0x14, 0x5C, 0xE6)),
    2: ((0xFF, 0x7A, 0x59), (0xE6, 0x2E, 0x6B)),
    3: ((0x7D, 0xDD, 0x11), (0x15, 0x9E, 0x6A)),
    4: ((0xA7, 0x6B, 0xFF), (0x4B, 0x2E, 0xC8)),
}


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def coverage(distance):
    """Antialiasing: 1 inside a shape, 0 outside, a ramp over one pixel at the edge."""
    return max(0.0, min(1.0, 0.5 - distance))


def draw(size, top, bottom):
    rows = []
    c = size / 2.0
    ring_outer, ring_inner = size * 0.30, size * 0.19
    dot_radius = size * 0.075
    dot_x, dot_y = c + size * 0.21, c - size * 0.21
    for y in range(size):
        row = []
        background = mix(top, bottom, y / max(1, size - 1))
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            r = math.hypot(px - c, py - c)
            # A white ring with a gap, and a dot at its open end: a drawn "o" on the gradient.
            ring = coverage(max(r - ring_outer, ring_inner - r))
            angle = math.atan2(py - c, px - c)
            if -math.pi / 2 < angle < 0:
                ring = 0.0
            dot = coverage(math.hypot(px - dot_x, py - dot_y) - dot_radius)
            white = max(ring, dot)
            row.extend(mix(background, (255, 255, 255), white))
        rows.append(row)
    return png(size, size, rows)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for variant, (top, bottom) in VARIANTS.items():
        for size in SIZES:
            path = os.path.join(out, "%d-%d.png" % (size, variant))
            data = draw(size, top, bottom)
            tmp = path + ".tmp"
            with open(tmp, "wb") as f:
                f.write(data)
            os.replace(tmp, path)


if __name__ == "__main__":
    main()
