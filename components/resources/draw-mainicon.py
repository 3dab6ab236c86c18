#!/usr/bin/env python3
# Draws the program's icon, MAINICON.ico: one 32x32 image in 16 colours (the
# classic 16-colour palette, 4 bits per pixel, with its AND mask), a game
# cartridge with a "K" on its label. Run it here to remake the file.
import struct

PALETTE = [  # R, G, B
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GRAY, YELLOW, WHITE = 0, 4, 7, 8, 11, 15
N = 32
pix = [[None] * N for _ in range(N)]  # None = transparent


def fill(x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            pix[y][x] = c


def outline(x0, y0, x1, y1, c):
    for x in range(x0, x1 + 1):
        pix[y0][x] = pix[y1][x] = c
    for y in range(y0, y1 + 1):
        pix[y][x0] = pix[y][x1] = c


# The cartridge, its top right corner cut off.
fill(5, 2, 26, 29, SILVER)
outline(5, 2, 26, 29, BLACK)
for i in range(4):
    for x in range(26 - 3 + i + 1, 27):
        pix[2 + i][x] = None
    pix[2 + i][26 - 3 + i] = BLACK
for y in (4, 6):  # grip ridges
    fill(8, y, 19, y, GRAY)
# The label with the letter.
fill(8, 8, 23, 21, NAVY)
outline(8, 8, 23, 21, BLACK)
fill(11, 10, 12, 19, YELLOW)
for i in range(6):
    fill(13 + i, 14 - i, 14 + i, 14 - i, YELLOW)
    fill(13 + i, 15 + i, 14 + i, 15 + i, YELLOW)
# Contacts along the bottom edge.
fill(9, 24, 22, 27, GRAY)
for x in range(10, 22, 2):
    fill(x, 25, x, 27, YELLOW)
fill(27 - 1, 10, 26, 12, WHITE)  # a highlight on the right edge

xor = bytearray()
mask = bytearray()
for y in reversed(range(N)):  # bottom-up rows
    row = [pix[y][x] if pix[y][x] is not None else BLACK for x in range(N)]
    xor += bytes((row[x] << 4) | row[x + 1] for x in range(0, N, 2))
    bits = 0
    for x in range(N):
        bits = (bits << 1) | (1 if pix[y][x] is None else 0)
    mask += struct.pack('>I', bits)

header = struct.pack('<IiiHHIIiiII', 40, N, 2 * N, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
image = header + palette + xor + mask
ico = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', N, N, 16, 0, 1, 4, len(image), 22) + image
with open('MAINICON.ico', 'wb') as f:
    f.write(ico)
