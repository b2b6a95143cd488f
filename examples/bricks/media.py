#!/usr/bin/env python3
"""Makes every picture, sound and text of Bricks, with Python's standard library only.

Run from anywhere: python3 examples/bricks/media.py
It writes sprites/*.png (the ball, the bricks, the power-up capsule), and in bricks_data/ the
five wave sounds, the two background tiles (BMP) and help.rtf, the game information.

In the game a sprite pixel is transparent when it has the colour of the frame's bottom-left
pixel, so the round sprites keep that corner black, and the bricks, which fill their whole
frame, give that one corner pixel a near-black colour used nowhere else.
"""
import math
import os
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SPRITES = os.path.join(HERE, "sprites")
DATA = os.path.join(HERE, "bricks_data")
RATE = 22050
CORNER = (8, 8, 8)  # the bottom-left pixel of every brick frame


# Pictures

def write_png(path, pixels):
    """pixels: a list of rows, each a list of (r, g, b)."""
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


def write_bmp(path, pixels):
    """A 24-bit BMP, rows bottom-up, each padded to four bytes, right after the header."""
    height, width = len(pixels), len(pixels[0])
    pad = (4 - width * 3 % 4) % 4
    rows = b"".join(bytes(c for r, g, b in row for c in (b, g, r)) + b"\x00" * pad
                    for row in reversed(pixels))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def shade(colour, factor):
    return tuple(max(0, min(255, int(c * factor))) for c in colour)


def brick(face, mark=None):
    """A 32 x 16 brick with a bevelled edge; mark(img) adds a pattern on the face."""
    img = [[face] * 32 for _ in range(16)]
    light, dark = shade(face, 1.35), shade(face, 0.55)
    for x in range(32):
        img[0][x] = light
        img[15][x] = dark
    for y in range(16):
        img[y][0] = light
        img[y][31] = dark
    for x in range(2, 30):
        img[1][x] = shade(face, 1.15)
    if mark:
        mark(img)
    img[15][0] = CORNER
    return img


def crack(img):
    for x, y in ((9, 3), (10, 4), (11, 5), (11, 6), (12, 7), (13, 8), (13, 9), (14, 10), (15, 11),
                 (12, 6), (13, 6), (14, 5), (15, 5), (16, 4), (20, 9), (21, 9), (22, 10),
                 (16, 11), (17, 10), (18, 10), (19, 9), (23, 11), (24, 12)):
        img[y][x] = (70, 70, 80)


def rivets(img):
    for x in (4, 27):
        img[7][x] = img[8][x] = (120, 120, 130)
        img[7][x + 1] = img[8][x + 1] = (240, 240, 250)


def star(colour):
    def draw(img):
        for y in range(16):
            for x in range(32):
                dx, dy = abs(x - 15.5), abs(y - 7.5)
                if dx + dy <= 5 or (dx <= 1 and dy <= 6) or (dy <= 1 and dx <= 8):
                    img[y][x] = colour
    return draw


def disc(size, colour, highlight):
    img = [[(0, 0, 0)] * size for _ in range(size)]
    r = size / 2
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - r, y + 0.5 - r)
            if d <= r - 0.2:
                img[y][x] = colour
            if math.hypot(x + 0.5 - r * 0.75, y + 0.5 - r * 0.75) <= r * 0.35:
                img[y][x] = highlight
    return img


def capsule(phase):
    img = [[(0, 0, 0)] * 16 for _ in range(8)]
    for y in range(8):
        for x in range(16):
            # a pill: a rectangle with half discs at both ends
            cx = min(max(x + 0.5, 4), 12)
            if math.hypot(x + 0.5 - cx, y + 0.5 - 4) <= 3.9:
                img[y][x] = (40, 190, 80) if y > 1 else (140, 240, 160)
    for y in range(1, 7):
        for x in (5 + 3 * phase, 6 + 3 * phase):
            img[y][x] = (255, 255, 255)
    return img


def tile(base, dot, seed):
    """A 64 x 64 background tile: a soft vertical shade with a few faint dots."""
    img = []
    for y in range(64):
        k = 1 + 0.25 * math.sin(y / 64 * 2 * math.pi)
        img.append([shade(base, k)] * 64)
    state = seed
    for _ in range(10):
        state = (state * 1103515245 + 12345) % 2 ** 31
        x, y = state % 64, (state >> 8) % 64
        img[y][x] = dot
    return img


# Sounds

def write_wave(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s)))) for s in samples))


def tone(freqs, seconds, volume=9000, square=False):
    """A tone whose pitch glides through freqs, with a fast attack and a falling tail."""
    n = int(RATE * seconds)
    out, phase = [], 0.0
    for i in range(n):
        t = i / n
        pos = t * (len(freqs) - 1)
        k = min(int(pos), len(freqs) - 2) if len(freqs) > 1 else 0
        f = freqs[k] + (freqs[min(k + 1, len(freqs) - 1)] - freqs[k]) * (pos - k)
        phase += 2 * math.pi * f / RATE
        v = math.sin(phase) + 0.3 * math.sin(2 * phase)
        if square:
            v = 1.0 if v >= 0 else -1.0
        env = min(1.0, i / 80) * (1 - t) ** 1.5
        out.append(volume * env * v)
    return out


def notes(seq, seconds_each, volume=7000):
    out = []
    for f in seq:
        out += tone([f], seconds_each, volume)
    return out


# The game information

HELP = r"""{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\froman Times New Roman;}}
{\colortbl;\red200\green30\blue30;\red230\green120\blue20;\red180\green150\blue0;\red40\green150\blue60;\red110\green110\blue120;\red20\green60\blue160;}
\f0\fs40\b\cf6 Bricks\cf0\b0\fs20\par
\i A breakout game in two levels.\i0\par
\par
\fs26\b How to play\b0\fs20\par
Move the paddle at the bottom with the \b left\b0  and \b right arrow keys\b0 , or with the \b mouse\b0 : the paddle follows the mouse across the room. Keep the ball in play and break every brick.\par
Each new ball waits on the paddle for one second and then starts by itself, towards the middle of the room.\par
Where the ball meets the paddle decides where it goes: in the middle it goes straight up, towards the ends of the paddle it flies off more and more to that side.\par
\par
\fs26\b The bricks\b0\fs20\par
\cf1\b Red\b0\cf0  bricks give 40 points, \cf2\b orange\b0\cf0  30, \cf3\b yellow\b0\cf0  20 and \cf4\b green\b0\cf0  10.\par
\cf5\b Silver\b0\cf0  bricks take \i two hits\i0 : the first one cracks them, the second breaks them for 50 points.\par
\b Gold\b0  bricks with a star give 30 points and drop a green capsule. Catch it with the paddle and the paddle is \i half as wide again\i0  for ten seconds; it blinks when the time is nearly up.\par
Every brick the ball hits before it comes back to the paddle sounds a semitone higher than the one before.\par
\par
\fs26\b Balls, levels and the end\b0\fs20\par
You have \b three balls\b0 . A ball that falls past the paddle is lost; the next one waits on the paddle.\par
Clear \b Level 1\b0  to reach \b Level 2\b0 , where the ball is faster. Clearing a level gives 100 points times its number. Clear Level 2 and you win, with 200 points more for every ball you still have.\par
The game ends when you win or when your last ball is lost; then the high-score table asks for your name.\par
\par
\fs26\b Keys\b0\fs20\par
Left, Right: move the paddle. F1: this help. Esc: end the game.\par
}
"""


if __name__ == "__main__":
    os.makedirs(SPRITES, exist_ok=True)
    os.makedirs(DATA, exist_ok=True)

    write_png(os.path.join(SPRITES, "ball.png"), disc(8, (235, 235, 255), (255, 255, 255)))
    for i, face in enumerate([(215, 45, 45), (235, 135, 35), (230, 205, 50), (60, 175, 75)]):
        write_png(os.path.join(SPRITES, "brick%d.png" % i), brick(face))
    silver = (175, 175, 190)
    write_png(os.path.join(SPRITES, "hard0.png"), brick(silver, rivets))
    write_png(os.path.join(SPRITES, "hard1.png"), brick(silver, lambda img: (rivets(img), crack(img))))
    write_png(os.path.join(SPRITES, "hard2.png"), brick((250, 250, 255)))
    gold = (215, 165, 30)
    write_png(os.path.join(SPRITES, "gold0.png"), brick(gold, star((255, 235, 140))))
    write_png(os.path.join(SPRITES, "gold1.png"), brick(shade(gold, 1.15), star((255, 255, 255))))
    write_png(os.path.join(SPRITES, "capsule0.png"), capsule(0))
    write_png(os.path.join(SPRITES, "capsule1.png"), capsule(1))

    write_bmp(os.path.join(DATA, "night.bmp"), tile((18, 22, 48), (70, 80, 130), 7))
    write_bmp(os.path.join(DATA, "dusk.bmp"), tile((40, 18, 40), (130, 70, 120), 11))

    write_wave(os.path.join(DATA, "bounce.wav"), tone([520, 500], 0.05, 8000, square=True))
    write_wave(os.path.join(DATA, "brick.wav"), tone([880, 870], 0.09, 9000))
    write_wave(os.path.join(DATA, "lost.wav"), tone([600, 300, 120], 0.6, 9000, square=True))
    write_wave(os.path.join(DATA, "power.wav"), notes([523, 659, 784, 1047], 0.06))
    write_wave(os.path.join(DATA, "level.wav"), notes([523, 659, 784, 659, 784, 1047], 0.11))

    with open(os.path.join(DATA, "help.rtf"), "w", newline="\r\n") as f:
        f.write(HELP)
