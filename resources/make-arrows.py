#!/usr/bin/env python3
"""Draws the key grid's layer-switching symbols: 15 x 19 PNGs with a transparent background.

Run from anywhere; writes resources/arrows/*.png beside this script. The pictures are committed,
so the build needs no Python: run this only after changing a shape or a colour.
"""
import os
import struct
import zlib

W, H = 15, 19

# Fill and outline of each symbol, plain and on a selected (highlighted) cell. On the highlight
# the fill turns white so the symbol stays readable against the selection colour.
SYMBOLS = {
    "BLUP": ((0, 64, 224), (0, 0, 96), False),
    "BLDN": ((0, 64, 224), (0, 0, 96), True),
    "GRUP": ((0, 168, 0), (0, 72, 0), False),
    "RDUP": ((224, 0, 0), (96, 0, 0), False),
}
SELECTED_FILL = (255, 255, 255)


def up_arrow():
    """The arrow's pixels: a head of rows 1 to 8 widening to the full width, then a shaft."""
    shape = set()
    for y in range(1, 9):
        half = y - 1
        for x in range(7 - half, 7 + half + 1):
            shape.add((x, y))
    for y in range(9, 18):
        for x in range(5, 10):
            shape.add((x, y))
    return shape


def pixels(fill, outline, down):
    shape = up_arrow()
    if down:
        shape = {(x, H - 1 - y) for (x, y) in shape}
    rows = []
    for y in range(H):
        row = bytearray()
        for x in range(W):
            if (x, y) not in shape:
                row += bytes((0, 0, 0, 0))
                continue
            edge = any((x + dx, y + dy) not in shape for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            r, g, b = outline if edge else fill
            row += bytes((r, g, b, 255))
        rows.append(bytes(row))
    return rows


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + r for r in rows)
    header = struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "arrows")
    os.makedirs(folder, exist_ok=True)
    for name, (fill, outline, down) in SYMBOLS.items():
        for suffix, colour in (("", fill), ("S", SELECTED_FILL)):
            with open(os.path.join(folder, name + suffix + ".png"), "wb") as f:
                f.write(png(pixels(colour, outline, down)))


if __name__ == "__main__":
    main()
