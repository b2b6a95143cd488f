#!/usr/bin/env python3
"""Draws the sprites of Snake (16 x 16 PNG files) and its two sounds (WAV), standard library only.

Run from this folder: python3 sprites.py
In the game a sprite pixel is transparent when it has the colour of the bottom-left pixel,
so every sprite keeps its bottom-left corner in the background colour (black here).
"""
import math
import os
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
BG = (0, 0, 0)


def write_png(path, pixels):
    """pixels: list of rows, each a list of (r, g, b)."""
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


def canvas():
    return [[BG] * 16 for _ in range(16)]


def disc(img, cx, cy, r, colour):
    for y in range(16):
        for x in range(16):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                img[y][x] = colour


def head():
    img = canvas()
    for y in range(1, 15):
        for x in range(1, 15):
            # a rounded square
            if (x in (1, 14)) and (y in (1, 14)):
                continue
            shade = 200 - 6 * y
            img[y][x] = (40, shade, 60)
    for ex, ey in ((5, 5), (10, 5)):
        disc(img, ex + 0.5, ey + 0.5, 2.2, (255, 255, 255))
        img[ey][ex] = (10, 10, 10)
        img[ey][ex + 1] = (10, 10, 10)
    for x in range(5, 11):
        img[11][x] = (150, 20, 30)  # the mouth
    return img


def apple():
    img = canvas()
    disc(img, 8, 9, 6, (210, 30, 30))
    disc(img, 6, 7, 1.6, (255, 140, 140))  # shine
    for y in range(1, 4):
        img[y][8] = (110, 70, 20)  # stalk
    img[2][9] = img[2][10] = img[3][10] = (60, 170, 60)  # leaf
    return img


def wall():
    img = [[(150, 75, 45)] * 16 for _ in range(16)]
    mortar = (90, 90, 90)
    for y in range(16):
        for x in range(16):
            if y % 4 == 3:
                img[y][x] = mortar
            elif x == (0 if (y // 4) % 2 == 0 else 8):
                img[y][x] = mortar
    # keep the bottom-left pixel a colour used nowhere else, so nothing shows through
    img[15][0] = (1, 1, 1)
    return img


def gem(phase):
    img = canvas()
    colours = [(255, 220, 0), (255, 255, 160)]
    for y in range(16):
        for x in range(16):
            if abs(x - 7.5) + abs(y - 7.5) <= 7:
                img[y][x] = colours[phase] if (x + y) % 4 else colours[1 - phase]
    return img


def tone(path, notes, rate=22050):
    """notes: list of (frequency, seconds)."""
    frames = bytearray()
    for freq, secs in notes:
        n = int(rate * secs)
        for i in range(n):
            env = 1.0 - i / n
            v = int(9000 * env * (1 if math.sin(2 * math.pi * freq * i / rate) >= 0 else -1))
            frames += struct.pack("<h", v)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    out = os.path.join(HERE, "sprites")
    os.makedirs(out, exist_ok=True)
    write_png(os.path.join(out, "head.png"), head())
    write_png(os.path.join(out, "apple.png"), apple())
    write_png(os.path.join(out, "wall.png"), wall())
    write_png(os.path.join(out, "gem0.png"), gem(0))
    write_png(os.path.join(out, "gem1.png"), gem(1))
    data = os.path.join(HERE, "snake_data")
    os.makedirs(data, exist_ok=True)
    tone(os.path.join(data, "eat.wav"), [(880, 0.06), (1320, 0.08)])
    tone(os.path.join(data, "crash.wav"), [(220, 0.15), (110, 0.25)])
