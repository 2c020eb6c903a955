#!/usr/bin/env python3
"""Writes tarnwick.exe's icon: a chest bound in gold, drawn here pixel by
pixel at 16, 32 and 48 pixels (32-bit colour with alpha).

usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

WOOD = (0x2B, 0x5A, 0x8B)       # blue, green, red
WOOD_DARK = (0x1A, 0x3A, 0x5E)
GOLD = (0x20, 0xB8, 0xF0)
OUTLINE = (0x10, 0x1C, 0x2A)


def colour_at(u, v):
    """The colour at (u, v) on a 0..1 square, y downwards; None is transparent."""
    if not (0.06 <= u <= 0.94 and 0.16 <= v <= 0.90):
        return None
    # The lid's top corners are cut round.
    cx = 0.20 if u < 0.20 else 0.80 if u > 0.80 else None
    if v < 0.30 and cx is not None and (u - cx) ** 2 + (v - 0.30) ** 2 > 0.14 ** 2:
        return None
    edge = min(u - 0.06, 0.94 - u, v - 0.16, 0.90 - v)
    if edge < 0.05:
        return OUTLINE
    if 0.40 <= v <= 0.46:  # where the lid meets the body
        return OUTLINE
    if 0.44 <= u <= 0.56 and 0.36 <= v <= 0.62:  # the lock
        return GOLD
    if 0.16 <= u <= 0.24 or 0.76 <= u <= 0.84:  # the bands
        return GOLD
    return WOOD_DARK if v < 0.40 else WOOD


def image(size):
    """BITMAPINFOHEADER, bottom-up BGRA rows and an empty AND mask."""
    samples = 4  # per side, for smooth edges
    rows = []
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            total = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size)
                    if c is not None:
                        for i in range(3):
                            total[i] += c[i]
                        total[3] += 1
            n = total[3]
            if n == 0:
                row += bytes(4)
            else:
                row += bytes([total[0] // n, total[1] // n, total[2] // n, 255 * n // (samples * samples)])
        rows.append(bytes(row))
    mask_row = bytes(((size + 31) // 32) * 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask_row * size


def main():
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
