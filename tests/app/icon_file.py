"""Small .ico files for the tests and the example: 32-bit images with an AND mask."""
import struct


def bmp_image(size, colour):
    """One icon image as an icon file stores it: BITMAPINFOHEADER, BGRA pixels, AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    b, g, r = colour
    pixels = bytearray()
    for y in range(size):
        for x in range(size):
            edge = x in (0, size - 1) or y in (0, size - 1)
            pixels += bytes((0, 0, 0, 255) if edge else (b, g, r, 255))
    mask_row = ((size + 31) // 32) * 4
    return header + bytes(pixels) + bytes(mask_row * size)


def icon_file(images):
    """images: list of (size, (b, g, r)). Returns the bytes of an .ico file."""
    blobs = [bmp_image(size, colour) for size, colour in images]
    out = struct.pack('<HHH', 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (size, _), blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b''.join(blobs)


SAMPLE_IMAGES = [(16, (0x30, 0x80, 0xE0)), (32, (0x30, 0x80, 0xE0)), (48, (0x20, 0x60, 0xC0))]

if __name__ == '__main__':
    import sys
    with open(sys.argv[1], 'wb') as f:
        f.write(icon_file(SAMPLE_IMAGES))
