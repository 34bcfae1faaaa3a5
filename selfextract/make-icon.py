#!/usr/bin/env python3
"""Draws the stub's icon: a page cut into three coloured pieces with an
arrow joining them, at 16 and 32 pixels, written as a Windows .ico file.

usage: make-icon.py OUTPUT.ico"""
import struct
import sys


def pixel(x, y, size):
    """BGRA of one pixel; y counts from the top."""
    s = size / 32.0
    page = 6 * s <= x < 26 * s and 3 * s <= y < 29 * s
    if not page:
        return (0, 0, 0, 0)
    border = x < 7 * s or x >= 25 * s or y < 4 * s or y >= 28 * s
    if border:
        return (40, 40, 40, 255)
    cut = int((y - 4 * s) // (8 * s))
    colours = [(214, 120, 30, 255), (60, 170, 60, 255), (40, 90, 200, 255)]
    gap = abs((y - 4 * s) - round((y - 4 * s) / (8 * s)) * 8 * s) < 0.6 * s and y > 5 * s
    if gap:
        return (255, 255, 255, 255)
    return colours[min(cut, 2)]


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up, as bitmaps are stored
        rows.append(b"".join(bytes(pixel(x, y, size)) for x in range(size)))
    colour = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    return header + colour + mask


def main():
    images = [image(16), image(32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
