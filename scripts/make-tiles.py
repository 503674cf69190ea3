#!/usr/bin/env python3
"""Draws resources/tiles.png: the 16x16 tile sprite every tile is drawn from.

Light, so that the warm-grey tint reads well: a pale stone face with a soft
bevel (lit top-left, shaded bottom-right) and a few fixed specks of grit.
Needs only the standard library.
"""
import struct
import sys
import zlib

SIZE = 16


def shade(x, y):
    if x == 0 or y == 0:
        return 255
    if x == SIZE - 1 or y == SIZE - 1:
        return 176
    if x == 1 or y == 1:
        return 240
    if x == SIZE - 2 or y == SIZE - 2:
        return 200
    # Fixed grit: a small hash of the position picks a few darker specks.
    h = (x * 73 + y * 151 + x * y * 17) % 23
    if h == 0:
        return 196
    if h == 7:
        return 208
    return 228


def png(width, height, pixel):
    rows = b"".join(b"\x00" + bytes(v for x in range(width) for v in pixel(x, y)) for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/tiles.png"
    with open(out, "wb") as f:
        f.write(png(SIZE, SIZE, lambda x, y: (shade(x, y),) * 3 + (255,)))
