#!/usr/bin/env python3
"""Draws the programs' pictures as Windows icon and cursor files.

usage: make-icon.py OUTPUT.ico             the stub's icon: a page cut into
                                          three coloured pieces, 16 and 32 px
       make-icon.py --splitter OUTPUT.ico  the windowed splitter's icon: the
                                          same pieces pulled apart, 16 and 32 px
       make-icon.py --hand OUTPUT.cur      the link cursor: a 32 px pointing
                                          hand, hot spot on the finger's tip"""
import struct
import sys

# The hand's hot spot: the top of the index finger.
HAND_HOT_SPOT = (8, 3)


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


PIECE_COLOURS = [(214, 120, 30, 255), (60, 170, 60, 255), (40, 90, 200, 255)]


def splitter_pixel(x, y, size):
    """The stub's page in three pieces, each with its own border, moved
    apart: the top one left, the bottom one right."""
    s = size / 32.0
    edge = max(1, round(s))  # at least one pixel at 16 px
    pieces = [(2, 10, -3), (12, 20, 0), (22, 30, 3)]  # top, bottom, shift
    for (top, bottom, shift), colour in zip(pieces, PIECE_COLOURS):
        left, right = round((6 + shift) * s), round((26 + shift) * s)
        top, bottom = round(top * s), round(bottom * s)
        if not (left <= x < right and top <= y < bottom):
            continue
        border = x < left + edge or x >= right - edge or y < top + edge or y >= bottom - edge
        return (40, 40, 40, 255) if border else colour
    return (0, 0, 0, 0)


def in_hand(x, y):
    """The hand's outline and inside, on a 32 x 32 grid: the index finger up,
    three bent fingers, the palm and the thumb on the left."""
    def box(left, top, right, bottom, round_top=False):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        return not (round_top and y == top and x in (left, right))
    thumb = 14 <= y <= 22 and 2 + max(0, y - 16) <= x <= 7 and (x, y) != (2, 14)
    return (box(6, 3, 11, 17, True) or box(11, 9, 15, 17, True) or box(15, 10, 19, 17, True)
            or box(19, 12, 22, 17, True) or box(6, 16, 22, 25) or box(8, 25, 20, 29)
            or thumb)


def hand_pixel(x, y, size):
    if not in_hand(x, y):
        return (0, 0, 0, 0)
    edge = any(not in_hand(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
    # The bent fingers' edges, down to where they meet the palm.
    crease = (x, y) in {(11, v) for v in range(9, 15)} | {(15, v) for v in range(10, 15)} | \
        {(19, v) for v in range(12, 15)}
    if edge or crease:
        return (0, 0, 0, 255)
    return (255, 255, 255, 255)


def image(size, draw=pixel):
    rows = []
    for y in reversed(range(size)):  # bottom-up, as bitmaps are stored
        rows.append(b"".join(bytes(draw(x, y, size)) for x in range(size)))
    colour = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    # An empty mask: every system since XP draws 32-bit images by their alpha.
    mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    return header + colour + mask


def icon_file(draw, sizes):
    images = [image(size, draw) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def cursor_file(draw, size, hot_spot):
    """A cursor file is an icon file of type 2 whose two entry fields after
    the reserved byte hold the hot spot instead of planes and bit count."""
    data = image(size, draw)
    return (struct.pack("<HHH", 0, 2, 1)
            + struct.pack("<BBBBHHII", size, size, 0, 0, hot_spot[0], hot_spot[1], len(data), 22)
            + data)


def main():
    args = sys.argv[1:]
    kind = args.pop(0) if len(args) == 2 else None
    if len(args) != 1 or kind not in (None, "--splitter", "--hand"):
        sys.exit(__doc__)
    if kind == "--hand":
        out = cursor_file(hand_pixel, 32, HAND_HOT_SPOT)
    else:
        out = icon_file(splitter_pixel if kind else pixel, (16, 32))
    with open(args[0], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
