#!/usr/bin/env python3
"""Draws the sprites of Catch and makes its two sounds, with Python's standard library only.

Run from anywhere: python3 examples/catch/media.py
It writes sprites/basket.png (64 x 16), sprites/star.png and sprites/bomb.png (16 x 16), and
catch_data/ding.wav (a star caught) and catch_data/boom.wav (a bomb caught). The music,
catch_data/tune.mid, comes from tune.py.

In the game a sprite pixel is transparent when it has the colour of the frame's bottom-left
pixel. Every sprite here is drawn on white and keeps that corner white, so only the basket,
the star and the bomb show; and since the game checks collisions against the drawn pixels,
their shapes decide when a star or a bomb meets the basket (the edges are drawn hard, with no
pale pixels blended towards the white around them).

Nothing here is random from run to run: the bomb's noise comes from a fixed generator, so
running the script again writes the same bytes.
"""
import math
import os
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SPRITES = os.path.join(HERE, "sprites")
DATA = os.path.join(HERE, "catch_data")
RATE = 22050
WHITE = (255, 255, 255)  # the transparent colour: every sprite's bottom-left pixel


# Pictures

def write_png(path, pixels):
    """pixels: a list of rows, each a list of (r, g, b)."""
    assert pixels[-1][0] == WHITE, path + ": the bottom-left pixel must stay transparent"
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def canvas(width, height):
    return [[WHITE] * width for _ in range(height)]


def outline(img, colour):
    """Paints colour on every drawn pixel that has a transparent pixel (or the edge) beside it."""
    height, width = len(img), len(img[0])

    def clear(x, y):
        return not (0 <= x < width and 0 <= y < height) or img[y][x] == WHITE

    edge = [(x, y) for y in range(height) for x in range(width)
            if img[y][x] != WHITE and any(clear(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))]
    for x, y in edge:
        img[y][x] = colour


def basket():
    """A blue basket, 64 x 16, with rounded ends, a light rim along the top and woven bands."""
    img = canvas(64, 16)
    body, rim, band, dark = (32, 80, 192), (128, 160, 255), (24, 60, 150), (16, 40, 110)
    cut = {0: 3, 1: 2, 2: 1, 13: 1, 14: 2, 15: 3}  # the rounded corners: pixels left off each end
    for y in range(16):
        c = cut.get(y, 0)
        for x in range(c, 64 - c):
            img[y][x] = body
    for y in (3, 4, 5):
        for x in range(4, 60):
            img[y][x] = rim
    for y in range(7, 14):
        for x in range(3, 61):
            # the weave: short slanting strokes, rows of them leaning the other way in turn
            if (x + (y if y < 10 else -y)) % 6 == 0:
                img[y][x] = band
    outline(img, dark)
    return img


def star():
    """A yellow five-pointed star, 16 x 16, one point up, with a gold edge and a small shine."""
    img = canvas(16, 16)
    cx, cy, outer, inner = 8.0, 8.8, 8.8, 3.7
    corners = []
    for i in range(10):
        a = math.radians(-90 + 36 * i)
        r = outer if i % 2 == 0 else inner
        corners.append((cx + r * math.cos(a), cy + r * math.sin(a)))

    def inside(px, py):
        # even-odd rule over the star's ten edges
        hit = False
        for (x1, y1), (x2, y2) in zip(corners, corners[1:] + corners[:1]):
            if (y1 > py) != (y2 > py) and px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
        return hit

    for y in range(16):
        for x in range(16):
            # a pixel is drawn when at least 6 of its 16 sample points lie in the star
            covered = sum(inside(x + (i + 0.5) / 4, y + (j + 0.5) / 4) for i in range(4) for j in range(4))
            if covered >= 6:
                img[y][x] = (255, 208, 32)
    outline(img, (192, 144, 0))
    for x, y in ((7, 4), (7, 5), (6, 6)):
        img[y][x] = (255, 244, 170)
    return img


def bomb():
    """A dark round bomb, 16 x 16, with a shine, a short fuse and a red spark at its end."""
    img = canvas(16, 16)
    cx, cy, r = 7.5, 9.5, 6.5
    for y in range(16):
        for x in range(16):
            if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= r:
                img[y][x] = (48, 48, 48)
    for x in (6, 7, 8):
        img[2][x] = (48, 48, 48)  # the neck the fuse comes out of
    outline(img, (24, 24, 24))
    for x, y in ((4, 7), (4, 8), (5, 6), (6, 6), (5, 7)):
        img[y][x] = (130, 130, 140)  # the shine, top left
    img[1][8] = img[1][9] = (170, 120, 60)  # the fuse
    for x, y in ((11, 0), (10, 1), (12, 1), (11, 2), (10, 0), (12, 2)):
        img[y][x] = (255, 64, 32)  # the spark
    img[1][11] = (255, 230, 60)  # its hot middle
    return img


# Sounds

def write_wave(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, round(s)))) for s in samples))


def ding(seconds=0.35):
    """A small bell: a high tone with two fainter overtones, a click-free attack and a ringing tail."""
    n = int(RATE * seconds)
    base = 1568.0  # G6
    partials = ((1.0, 1.0, 9.0), (2.0, 0.45, 14.0), (3.01, 0.2, 20.0))  # (ratio, loudness, decay)
    out = []
    for i in range(n):
        t = i / RATE
        attack = min(1.0, i / 40)
        v = sum(loud * math.exp(-decay * t) * math.sin(2 * math.pi * base * ratio * t)
                for ratio, loud, decay in partials)
        fade = min(1.0, (n - i) / 200)  # no click at the very end
        out.append(12000 * attack * fade * v)
    return out


def boom(seconds=0.7):
    """An explosion: noise that grows darker as it dies away, over a low falling thump."""
    n = int(RATE * seconds)
    state = 12345  # a fixed linear congruential generator: the same noise every time
    low = 0.0
    phase = 0.0
    out = []
    for i in range(n):
        t = i / n
        state = (state * 1103515245 + 12345) % 2 ** 31
        noise = state / 2 ** 30 - 1.0
        k = 0.5 * (1 - t) ** 2 + 0.02  # a one-pole low-pass whose cutoff falls as the sound goes
        low += k * (noise - low)
        phase += 2 * math.pi * (90 - 55 * t) / RATE
        attack = min(1.0, i / 60)
        body = math.exp(-4.0 * t)
        out.append(attack * body * (22000 * low + 9000 * math.sin(phase) * math.exp(-3.0 * t)))
    return out


if __name__ == "__main__":
    os.makedirs(SPRITES, exist_ok=True)
    os.makedirs(DATA, exist_ok=True)
    write_png(os.path.join(SPRITES, "basket.png"), basket())
    write_png(os.path.join(SPRITES, "star.png"), star())
    write_png(os.path.join(SPRITES, "bomb.png"), bomb())
    write_wave(os.path.join(DATA, "ding.wav"), ding())
    write_wave(os.path.join(DATA, "boom.wav"), boom())
