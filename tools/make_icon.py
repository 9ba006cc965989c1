#!/usr/bin/env python3
"""Writes app/timelock.ico: a 32x32, 16-colour padlock on the program's green."""
import struct
import sys

PALETTE = [  # the standard 16 colours, as (r, g, b)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, TEAL, SILVER, GREY, LIME, WHITE = 0, 2, 6, 7, 8, 10, 15
SIZE = 32


def pixels():
    img = [[None] * SIZE for _ in range(SIZE)]  # None: transparent
    for y in range(SIZE):
        for x in range(SIZE):
            # Rounded square: cut the corners by distance.
            cx = min(x, SIZE - 1 - x)
            cy = min(y, SIZE - 1 - y)
            if cx + cy < 3:
                continue
            edge = cx == 0 or cy == 0 or cx + cy == 3
            img[y][x] = GREEN if edge else LIME
    # Shackle: a thick arch above the body.
    for y in range(5, 16):
        for x in range(8, 24):
            dx, dy = x - 15.5, y - 13.0
            r = (dx * dx + dy * dy) ** 0.5
            if y <= 13 and 5.0 <= r <= 8.2:
                img[y][x] = SILVER if r > 7.0 else WHITE
            elif y > 13 and (9 <= x <= 11 or 20 <= x <= 22):
                img[y][x] = WHITE
    # Body with an outline and a keyhole.
    for y in range(15, 28):
        for x in range(6, 26):
            outline = y in (15, 27) or x in (6, 25)
            img[y][x] = BLACK if outline else WHITE
    for y in range(18, 25):
        for x in range(14, 18):
            if (y < 21) or (15 <= x <= 16):
                img[y][x] = BLACK
    for y in range(16, 27):
        img[y][24] = GREY
    for x in range(7, 25):
        img[26][x] = GREY
    return img


def ico(img):
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):  # bottom-up
        row = img[y]
        nibbles = [(c if c is not None else 0) for c in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        and_rows.append(struct.pack(">I", bits))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    image = header + colours + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 22)
    return directory + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "app/timelock.ico"
    with open(out, "wb") as f:
        f.write(ico(pixels()))
