#!/usr/bin/python3
"""Draws the launcher's default icon and writes it as an .ico file.

Four images, in this order (the template's icon images 1 to 4): 16x16 with 16 colours,
16x16 with 256 colours, 32x32 with 16 colours, 32x32 with 256 colours. The picture: a parcel
with a blue arrow pointing down into it. The output depends on nothing but this script.

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

# The 16 colours of the standard VGA palette.
PALETTE_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# 256 colours: the 16 above, a 6x6x6 colour cube, then 24 greys.
PALETTE_256 = (PALETTE_16
               + [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
               + [(8 + 10 * i, 8 + 10 * i, 8 + 10 * i) for i in range(24)])
assert len(PALETTE_256) == 256

OUTLINE = (96, 56, 16)
BOX = (200, 144, 72)
BOX_SIDE = (160, 104, 40)
LID = (232, 192, 128)
TAPE = (240, 224, 176)
ARROW = (32, 88, 208)
ARROW_EDGE = (0, 32, 128)


def inside_arrow(u, v):
    if 0.40 <= u <= 0.60 and 0.0 <= v <= 0.44:
        return True
    # the head: a triangle from v = 0.40 (wide) down to its point at v = 0.68
    if 0.40 <= v <= 0.68:
        half = 0.24 * (0.68 - v) / 0.28
        return abs(u - 0.5) <= half
    return False


def colour_at(x, y, size, shaded):
    """The colour of pixel (x, y), or None where the icon is transparent."""
    px = 1.0 / size
    u, v = (x + 0.5) / size, (y + 0.5) / size
    if inside_arrow(u, v):
        edge = not all(inside_arrow(u + du, v + dv)
                       for du, dv in ((px, 0), (-px, 0), (0, px), (0, -px)))
        return ARROW_EDGE if edge else ARROW
    left, right, top, lid_bottom, bottom = 0.06, 0.94, 0.30, 0.44, 0.94
    if not (left <= u <= right and top <= v <= bottom):
        return None
    if u - left < px or right - u < px or v - top < px or bottom - v < px or abs(v - lid_bottom) < px / 2:
        return OUTLINE
    if abs(u - 0.5) < 0.07 and v < lid_bottom:
        return TAPE
    if v < lid_bottom:
        return LID
    if shaded:
        # light from the left: the body darkens towards its right edge
        t = (u - left) / (right - left)
        return tuple(round(a + (b - a) * t) for a, b in zip(BOX, BOX_SIDE))
    return BOX


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], colour)))


def row_bytes(bits):
    return (bits + 31) // 32 * 4


def image(size, bits):
    palette = PALETTE_16 if bits == 4 else PALETTE_256
    pixels = [[colour_at(x, y, size, bits == 8) for x in range(size)] for y in range(size)]
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # bottom-up rows
        line = bytearray(row_bytes(size * bits))
        mline = bytearray(row_bytes(size))
        for x in range(size):
            colour = pixels[y][x]
            index = 0 if colour is None else nearest(palette, colour)
            if bits == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if colour is None:
                mline[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += mline
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    return header + table + bytes(xor) + bytes(mask)


def main():
    formats = [(16, 4), (16, 8), (32, 4), (32, 8)]
    images = [image(size, bits) for size, bits in formats]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), data in zip(formats, images):
        out += struct.pack('<BBBBHHII', size, size, 16 if bits == 4 else 0, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
