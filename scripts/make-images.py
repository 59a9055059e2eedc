#!/usr/bin/env python3
# scripts/make-images.py: draws the tray image strip (bitmap 100) and the program icon (103).
# Both pictures are a small disk drive with a green free-space bar; run it to regenerate
# resources/trayicons.bmp and resources/tovra.ico.
import struct, os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')

# Palette indexes shared by both pictures.
PALETTE = [
    (0, 0, 0),        # 0 black
    (128, 0, 0),      # 1
    (0, 128, 0),      # 2 dark green
    (128, 128, 0),    # 3
    (0, 0, 128),      # 4 navy
    (128, 0, 128),    # 5
    (0, 128, 128),    # 6
    (192, 192, 192),  # 7 silver
    (128, 128, 128),  # 8 grey
    (255, 0, 0),      # 9
    (0, 255, 0),      # 10 green
    (255, 255, 0),    # 11
    (0, 0, 255),      # 12 blue
    (255, 0, 255),    # 13 magenta: transparent in the tray strip
    (0, 255, 255),    # 14
    (255, 255, 255),  # 15 white
]
TRANSPARENT = 13

def drive_picture(size):
    """A drive seen from the front: grey case, dark slot, green bar of free space."""
    s = size / 16.0
    px = [[TRANSPARENT] * size for _ in range(size)]
    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                px[y][x] = c
    rect(1, 3, 15, 13, 0)      # outline
    rect(2, 4, 14, 12, 7)      # case
    rect(2, 4, 14, 5, 15)      # highlight
    rect(3, 6, 13, 8, 8)       # slot
    rect(3, 9, 9, 11, 2)       # free-space bar frame
    rect(4, 9.5, 8, 10.5, 10)  # free-space bar
    rect(11, 9, 13, 11, 12)    # activity lamp
    return px

def bmp_8bit(pixels):
    h, w = len(pixels), len(pixels[0])
    row = w + (-w % 4)
    data = b''.join(bytes(pixels[y]) + b'\0' * (row - w) for y in range(h - 1, -1, -1))
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE) + b'\0' * 4 * (256 - 16)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(pal)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + info + pal + data

def icon_image(pixels):
    """One 4-bit icon image: header, 16-colour palette, XOR bits, AND mask."""
    n = len(pixels)
    xor_row = (n // 2 + 3) & ~3
    and_row = ((n + 31) // 32) * 4
    xor = b''
    mask = b''
    for y in range(n - 1, -1, -1):
        r = bytearray(xor_row)
        m = bytearray(and_row)
        for x in range(n):
            c = pixels[y][x]
            if c == TRANSPARENT:
                c = 0
                m[x // 8] |= 0x80 >> (x % 8)
            r[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += bytes(r)
        mask += bytes(m)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    return header + pal + xor + mask

def ico(sizes):
    images = [icon_image(drive_picture(n)) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    return out + b''.join(images)

def main():
    tile = drive_picture(16)
    strip = [sum((tile[y] for _ in range(16)), []) for y in range(16)]
    with open(os.path.join(HERE, 'trayicons.bmp'), 'wb') as f:
        f.write(bmp_8bit(strip))
    with open(os.path.join(HERE, 'tovra.ico'), 'wb') as f:
        f.write(ico([32, 16]))

main()
