#!/usr/bin/env python3
"""Draws the demo catalogue's pictures: a 32x32 icon per game family and
platform (PNG), and the walkthrough screenshots (drawn scenes, converted to
JPEG by kodrix-pack). Standard library only; the output is committed.

usage: draw.py DEMO_CATALOGUE_DIR [--pack PATH_TO_KODRIX_PACK]
"""
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib


def write_png(path, width, height, pixels):
    """pixels: list of rows of (r, g, b, a)."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_ppm(path, width, height, pixels):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(b"".join(bytes(c for px in row for c in px[:3]) for row in pixels))


class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            row = self.px[y]
            for x in range(max(0, x0), min(self.w, x1)):
                row[x] = c

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            x = x0 + (x1 - x0) * i // n
            y = y0 + (y1 - y0) * i // n
            self.rect(x - width // 2, y - width // 2, x - width // 2 + width, y - width // 2 + width, c)

    def gradient(self, top, bottom, y0=0, y1=None):
        y1 = self.h if y1 is None else y1
        for y in range(y0, y1):
            t = (y - y0) / max(1, y1 - y0 - 1)
            c = tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
            self.px[y] = [c] * self.w


# A 3x5 pixel font for the captions on screenshots.
FONT = {
    "A": "010101111101101", "B": "110101110101110", "C": "011100100100011", "D": "110101101101110",
    "E": "111100110100111", "F": "111100110100100", "G": "011100101101011", "H": "101101111101101",
    "I": "111010010010111", "K": "101101110101101", "L": "100100100100111", "M": "101111111101101",
    "N": "110101101101101", "O": "010101101101010", "P": "110101110100100", "R": "110101110101101",
    "S": "011100010001110", "T": "111010010010010", "U": "101101101101111", "V": "101101101101010",
    "W": "101101111111101", "X": "101101010101101", "Y": "101101010010010", "Z": "111001010100111",
    "0": "111101101101111", "1": "010110010010111", "2": "110001010100111", "3": "110001010001110",
    "4": "101101111001001", "5": "111100110001110", "6": "011100111101111", "7": "111001010010010",
    "8": "111101111101111", "9": "111101111001110", " ": "000000000000000", ":": "000010000010000",
    "-": "000000111000000", "!": "010010010000010",
}


def text(canvas, x, y, s, c, scale=4):
    for ch in s.upper():
        bits = FONT.get(ch, FONT[" "])
        for i, b in enumerate(bits):
            if b == "1":
                canvas.rect(x + (i % 3) * scale, y + (i // 3) * scale,
                            x + (i % 3 + 1) * scale, y + (i // 3 + 1) * scale, c)
        x += 4 * scale


# ---- icons: one per game family, tinted per platform -------------------------

def icon_racing(c, fg, bg):
    c.disc(16, 16, 15, bg)
    c.rect(6, 14, 26, 21, fg)
    c.rect(10, 10, 21, 15, fg)
    c.disc(10, 22, 3, (20, 20, 20, 255))
    c.disc(22, 22, 3, (20, 20, 20, 255))


def icon_shooter(c, fg, bg):
    c.disc(16, 16, 15, bg)
    c.disc(16, 16, 10, fg)
    c.disc(16, 16, 7, bg)
    c.disc(16, 16, 3, fg)
    c.line(16, 1, 16, 31, fg)
    c.line(1, 16, 31, 16, fg)


def icon_platformer(c, fg, bg):
    c.rect(1, 1, 31, 31, bg)
    c.rect(2, 24, 30, 30, (120, 72, 30, 255))
    c.rect(18, 14, 28, 18, (120, 72, 30, 255))
    c.rect(7, 12, 13, 24, fg)
    c.disc(10, 9, 4, fg)


def icon_puzzle(c, fg, bg):
    for i in range(4):
        for j in range(4):
            col = fg if (i + j) % 2 == 0 else bg
            c.rect(2 + i * 7, 2 + j * 7, 8 + i * 7, 8 + j * 7, col)


def icon_rpg(c, fg, bg):
    c.disc(16, 16, 15, bg)
    c.line(8, 25, 24, 7, (220, 220, 230, 255), 3)
    c.line(9, 18, 15, 24, fg, 3)
    c.disc(8, 25, 2, fg)


def icon_fighting(c, fg, bg):
    c.rect(2, 2, 30, 30, bg)
    c.rect(9, 10, 23, 24, fg)
    for k in range(4):
        c.rect(9 + k * 4, 7, 12 + k * 4, 11, fg)
    c.rect(5, 14, 10, 22, fg)


def icon_sports(c, fg, bg):
    c.disc(16, 16, 14, (245, 245, 245, 255))
    c.disc(16, 16, 5, fg)
    for ang in ((16, 3), (29, 12), (24, 27), (8, 27), (3, 12)):
        c.disc(ang[0], ang[1], 3, fg)
    c.line(16, 16, 16, 4, bg)


def icon_strategy(c, fg, bg):
    c.rect(2, 2, 30, 30, bg)
    c.rect(6, 18, 26, 28, fg)
    c.rect(6, 12, 10, 18, fg)
    c.rect(14, 12, 18, 18, fg)
    c.rect(22, 12, 26, 18, fg)
    c.rect(14, 22, 18, 28, (60, 40, 20, 255))


FAMILIES = {"racing": icon_racing, "shooter": icon_shooter, "platformer": icon_platformer,
            "puzzle": icon_puzzle, "rpg": icon_rpg, "fighting": icon_fighting,
            "sports": icon_sports, "strategy": icon_strategy}

PLATFORM_TINTS = {"PC": ((230, 60, 40), (40, 60, 120)), "PS2": ((60, 120, 230), (20, 20, 50)),
                  "Sega": ((250, 200, 40), (30, 90, 160)), "Dendy": ((220, 40, 40), (90, 90, 90))}


def draw_icons(root):
    for platform, (fg, bg) in PLATFORM_TINTS.items():
        folder = os.path.join(root, platform, "icons")
        os.makedirs(folder, exist_ok=True)
        for name, draw in FAMILIES.items():
            c = Canvas(32, 32)
            draw(c, fg + (255,), bg + (255,))
            write_png(os.path.join(folder, name + ".png"), 32, 32, c.px)


# ---- screenshots -------------------------------------------------------------

def scene(w, h, seed, caption, night=False):
    rnd = random.Random(seed)
    c = Canvas(w, h, (0, 0, 0, 255))
    sky = ((10, 10, 40), (60, 40, 110)) if night else ((90, 160, 240), (200, 230, 255))
    horizon = h * rnd.randint(60, 75) // 100
    c.gradient(sky[0], sky[1], 0, horizon)
    c.gradient((70, 140, 50), (30, 70, 20), horizon, h)
    if night:
        for _ in range(w * h // 2500):
            c.put(rnd.randrange(w), rnd.randrange(horizon), (255, 255, 220, 255))
        c.disc(w * 4 // 5, h // 6, h // 14, (240, 240, 200, 255))
    else:
        c.disc(w * 4 // 5, h // 6, h // 12, (255, 230, 90, 255))
    for _ in range(rnd.randint(4, 9)):  # hills and towers
        bw, bh = rnd.randint(w // 16, w // 6), rnd.randint(h // 10, h // 3)
        x = rnd.randrange(0, w - bw)
        col = (rnd.randint(60, 160), rnd.randint(60, 160), rnd.randint(60, 160), 255)
        c.rect(x, horizon - bh, x + bw, horizon, col)
        for wy in range(horizon - bh + 8, horizon - 8, 16):
            for wx in range(x + 6, x + bw - 8, 14):
                c.rect(wx, wy, wx + 6, wy + 8, (250, 230, 120, 255) if night else (40, 60, 90, 255))
    hx, hy = w // 4, horizon + h // 12  # the hero
    c.rect(hx - 8, hy - 30, hx + 8, hy, (200, 30, 30, 255))
    c.disc(hx, hy - 38, 9, (250, 210, 170, 255))
    for _ in range(rnd.randint(3, 6)):  # coins
        c.disc(rnd.randint(w // 3, w - 20), rnd.randint(horizon - h // 4, horizon - 10), 6, (255, 200, 0, 255))
    c.rect(0, 0, w, 34, (0, 0, 0, 255))
    text(c, 10, 7, caption, (255, 255, 255, 255))
    text(c, w - 10 - 16 * 8, 7, "SCORE %04d" % rnd.randint(0, 9999), (255, 220, 0, 255), 3)
    return c


SCREENSHOTS = [  # (walkthrough folder, key, width, height, caption, night)
    ("zvezdny_kurier", "1", 640, 480, "LEVEL 1: PORT", False),
    ("zvezdny_kurier", "2", 640, 480, "BOSS: KRAKEN", True),
    ("tayna_mayaka", "1", 640, 480, "MAYAK 1", True),
    ("tayna_mayaka", "2", 1024, 600, "SECRET ROOM", True),
    ("gonki_po_kryesham", "1", 640, 400, "TRACK 3", False),
    ("korolevstvo_pesochnyh_chasov", "1", 640, 480, "WORLD MAP", False),
    ("korolevstvo_pesochnyh_chasov", "2", 640, 480, "KEY 3 OF 5", True),
    ("korolevstvo_pesochnyh_chasov", "3", 640, 480, "FINAL", True),
    ("robot_bolt", "1", 640, 480, "ZONE 2-1", False),
]


def draw_screenshots(root, pack):
    with tempfile.TemporaryDirectory() as tmp:
        for i, (folder, key, w, h, caption, night) in enumerate(SCREENSHOTS):
            c = scene(w, h, 1000 + i, caption, night)
            ppm = os.path.join(tmp, "%d.ppm" % i)
            write_ppm(ppm, w, h, c.px)
            out = os.path.join(root, "sol", folder, "img%s.jpg" % key)
            os.makedirs(os.path.dirname(out), exist_ok=True)
            subprocess.run([pack, "jpeg", ppm, out, "--quality", "80"], check=True)


def main():
    if len(sys.argv) not in (2, 4):
        sys.exit(__doc__)
    root = sys.argv[1]
    draw_icons(root)
    if len(sys.argv) == 4 and sys.argv[2] == "--pack":
        draw_screenshots(root, sys.argv[3])


if __name__ == "__main__":
    main()
