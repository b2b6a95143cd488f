#!/usr/bin/env python3
"""Makes every picture, sound and text of the Maze example, with Python's standard library only.

Run it from anywhere: python3 examples/maze/media.py
It writes
  sprites/*.png           the 32 x 32 sprites of the objects
  maze_data/floor1.bmp    the floor of the first maze (a 64 x 64 tile)
  maze_data/floor2.bmp    the floor of the second maze
  maze_data/*.wav         the sound effects
  maze_data/maze.mid      the background music
  maze_data/help.rtf      the game information shown by F1

In the game a sprite pixel is transparent when it has the colour of the bottom-left pixel, so
every sprite with a see-through background keeps magenta there (a colour used nowhere else).
"""
import math
import os
import random
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SPRITES = os.path.join(HERE, "sprites")
DATA = os.path.join(HERE, "maze_data")
SIZE = 32
CLEAR = (255, 0, 255)


# Picture files.

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


def write_bmp(path, pixels):
    """A 24-bit BMP, rows bottom-up, each padded to four bytes, the rows right after the header."""
    height, width = len(pixels), len(pixels[0])
    pad = (4 - (width * 3) % 4) % 4
    rows = b"".join(bytes(c for (r, g, b) in row for c in (b, g, r)) + b"\x00" * pad
                    for row in reversed(pixels))
    header = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


# Drawing helpers on a list of rows.

def canvas(colour=CLEAR, size=SIZE):
    return [[colour] * size for _ in range(size)]


def rect(img, x1, y1, x2, y2, colour):
    for y in range(max(0, y1), min(len(img), y2 + 1)):
        for x in range(max(0, x1), min(len(img[0]), x2 + 1)):
            img[y][x] = colour


def disc(img, cx, cy, r, colour):
    for y in range(len(img)):
        for x in range(len(img[0])):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                img[y][x] = colour


def shade(colour, amount):
    return tuple(max(0, min(255, int(c + amount))) for c in colour)


# The sprites.

def player():
    img = canvas()
    disc(img, 16, 18, 11, (40, 90, 200))           # the coat
    disc(img, 16, 12, 7.5, (250, 205, 160))         # the face
    rect(img, 7, 4, 24, 6, (120, 70, 30))           # the hat's brim
    rect(img, 10, 1, 21, 4, (150, 90, 40))          # the hat
    rect(img, 12, 11, 13, 13, (20, 20, 40))         # eyes
    rect(img, 19, 11, 20, 13, (20, 20, 40))
    rect(img, 13, 16, 18, 16, (160, 60, 60))        # mouth
    rect(img, 9, 28, 13, 30, (60, 40, 20))          # boots
    rect(img, 19, 28, 23, 30, (60, 40, 20))
    return img


def guard(step):
    img = canvas()
    body = (200, 40, 40)
    disc(img, 16, 16, 12, body)
    disc(img, 16, 13, 9, shade(body, 30))
    rect(img, 8, 9, 23, 11, (90, 90, 100))          # the helmet's visor
    rect(img, 11, 13, 14, 16, (255, 255, 255))      # eyes
    rect(img, 18, 13, 21, 16, (255, 255, 255))
    px = 12 + step
    rect(img, px, 14, px + 1, 15, (0, 0, 0))
    rect(img, px + 7, 14, px + 8, 15, (0, 0, 0))
    # feet, swapping from one frame to the other
    left, right = (6, 11) if step == 0 else (9, 14)
    rect(img, left, 27, left + 5, 30, (80, 20, 20))
    rect(img, 32 - right - 6, 27, 32 - right - 1, 30, (80, 20, 20))
    return img


def ghost(step):
    img = canvas()
    body = (150, 70, 210)
    disc(img, 16, 13, 11, body)
    rect(img, 5, 13, 26, 26, body)
    # a wavy hem that moves from one frame to the other
    for x in range(5, 27):
        if (x // 4 + step) % 2 == 0:
            rect(img, x, 27, x, 29, body)
    disc(img, 12, 12, 3.5, (255, 255, 255))
    disc(img, 21, 12, 3.5, (255, 255, 255))
    rect(img, 12, 12, 13, 14, (200, 0, 0))
    rect(img, 21, 12, 22, 14, (200, 0, 0))
    rect(img, 11, 19, 21, 20, (60, 20, 80))          # a grim mouth
    return img


def key():
    img = canvas()
    gold, dark = (250, 200, 40), (170, 120, 10)
    disc(img, 10, 16, 7, gold)
    disc(img, 10, 16, 3, CLEAR)
    rect(img, 16, 14, 29, 17, gold)
    rect(img, 23, 18, 24, 22, gold)
    rect(img, 27, 18, 28, 21, gold)
    rect(img, 16, 17, 29, 17, dark)
    disc(img, 8, 13, 1.2, (255, 250, 200))          # shine
    return img


def door():
    img = canvas((110, 60, 25))
    for x in range(0, SIZE, 6):                    # planks
        rect(img, x, 0, x, SIZE - 1, (70, 35, 10))
    for y in (4, 27):                              # iron bands
        rect(img, 0, y, SIZE - 1, y + 2, (60, 60, 70))
    rect(img, 12, 11, 19, 20, (220, 180, 40))      # the lock
    disc(img, 15.5, 14.5, 1.8, (30, 20, 10))
    rect(img, 15, 15, 16, 18, (30, 20, 10))
    rect(img, 0, 0, SIZE - 1, 0, (50, 25, 5))
    img[SIZE - 1][0] = (5, 3, 1)                   # the transparent corner
    return img


def stairs():
    img = canvas((20, 15, 10))
    for i in range(6):                             # steps going down into the dark
        top = 3 + i * 5
        colour = shade((190, 170, 130), -30 * i)
        rect(img, 2 + i * 2, top, 29 - i * 2, top + 3, colour)
        rect(img, 2 + i * 2, top + 3, 29 - i * 2, top + 3, shade(colour, -60))
    img[SIZE - 1][0] = (1, 1, 1)
    return img


def wall(kind):
    rng = random.Random(kind)
    if kind == 0:
        # a clipped hedge: leaves in several greens, darker near the edges
        img = canvas((30, 110, 40))
        for y in range(SIZE):
            for x in range(SIZE):
                edge = min(x, y, SIZE - 1 - x, SIZE - 1 - y)
                g = 95 + rng.randrange(60) - (25 if edge < 2 else 0)
                img[y][x] = (20 + rng.randrange(25), g, 25 + rng.randrange(20))
        for _ in range(14):
            disc(img, rng.randrange(SIZE), rng.randrange(SIZE), 1.5, (70, 170, 60))
    else:
        # grey stone blocks with dark mortar
        img = canvas((120, 120, 125))
        for y in range(SIZE):
            for x in range(SIZE):
                v = 110 + rng.randrange(30)
                img[y][x] = (v, v, v + 6)
        mortar = (55, 50, 50)
        for y in (0, 15, 16, 31):
            rect(img, 0, y, SIZE - 1, y, mortar)
        for x in (0, 31):
            rect(img, x, 0, x, 15, mortar)
        rect(img, 15, 0, 16, 15, mortar)
        rect(img, 7, 16, 8, 31, mortar)
        rect(img, 23, 16, 24, 31, mortar)
    img[SIZE - 1][0] = (2, 2, 2)   # the same colour in both frames: one see-through pixel
    return img


# The floors: 64 x 64 tiles that the rooms repeat under the maze.

def floor(kind):
    rng = random.Random(10 + kind)
    tile = [[(0, 0, 0)] * 64 for _ in range(64)]
    for y in range(64):
        for x in range(64):
            if kind == 1:
                # a sandy garden path with pebbles
                v = rng.randrange(18)
                tile[y][x] = (150 + v, 125 + v, 80 + v // 2)
            else:
                # dark flagstones, four to a tile
                v = rng.randrange(12)
                base = (70 + v, 62 + v, 58 + v)
                if x % 32 in (0, 31) or y % 32 in (0, 31):
                    base = (35, 30, 28)
                tile[y][x] = base
    if kind == 1:
        for _ in range(40):
            disc(tile, rng.randrange(64), rng.randrange(64), 1.2, (120, 105, 80))
    return tile


# Sounds.

def wav(name, samples, rate=22050):
    with wave.open(os.path.join(DATA, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s)))) for s in samples))


def notes(parts, rate=22050, square=False):
    """parts: list of (frequency, seconds); a fading sine (or square) for each."""
    out = []
    for freq, secs in parts:
        n = int(rate * secs)
        for i in range(n):
            env = (1 - i / n) ** 1.5
            s = math.sin(2 * math.pi * freq * i / rate)
            if square:
                s = 1 if s >= 0 else -1
            out.append(11000 * env * s)
    return out


def noise(secs, low, high, rate=22050):
    """A rumbling slide from frequency `low` to `high` with some noise, for the door."""
    rng = random.Random(3)
    out, phase = [], 0.0
    n = int(rate * secs)
    for i in range(n):
        freq = low + (high - low) * i / n
        phase += 2 * math.pi * freq / rate
        env = math.sin(math.pi * i / n)
        out.append(9000 * env * (0.6 * math.sin(phase) + 0.4 * (rng.random() * 2 - 1)))
    return out


# Music: a slow, creeping tune in A minor, the melody on a vibraphone over a plucked bass.

def midi(path):
    tpq = 240

    def var(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.insert(0, (n & 0x7F) | 0x80)
            n >>= 7
        return bytes(out)

    def track(events):
        data = b"".join(var(delta) + msg for delta, msg in events) + var(0) + b"\xff\x2f\x00"
        return b"MTrk" + struct.pack(">I", len(data)) + data

    def voice(channel, program, seq, velocity):
        ev = [(0, bytes([0xC0 | channel, program]))]
        rest = 0
        for pitch, length in seq:
            if pitch is None:
                rest += length
                continue
            ev.append((rest, bytes([0x90 | channel, pitch, velocity])))
            ev.append((length, bytes([0x80 | channel, pitch, 0])))
            rest = 0
        return ev

    q, e = tpq, tpq // 2
    melody = [(69, q), (72, e), (71, e), (69, q), (64, q), (65, e), (64, e), (62, e), (64, e),
              (69, q + e), (None, e), (72, q), (76, e), (74, e), (72, q), (71, q), (69, e),
              (71, e), (72, e), (71, e), (69, q + q)]
    bass = [(45, q), (None, q), (52, q), (None, q), (41, q), (None, q), (43, q), (None, q),
            (45, q), (None, q), (48, q), (None, q), (44, q), (None, q), (45, q), (None, q)]
    tempo = [(0, b"\xff\x51\x03" + struct.pack(">I", 600000)[1:])]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, 3, tpq)
    with open(path, "wb") as f:
        f.write(header + track(tempo) + track(voice(0, 11, melody, 70)) +
                track(voice(1, 32, bass, 80)))


HELP = r"""{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}}{\colortbl;\red0\green100\blue0;\red190\green0\blue0;\red120\green60\blue0;}
\f0\fs32\b\cf1 Maze\b0\cf0\fs20\par
\par
Two mazes, each far larger than the window: \b The Hedge\b0  and \b The Catacombs\b0 . The view follows you as you walk.\par
In each maze, find the \cf3\b key\b0\cf0 , unlock the \cf3\b door\b0\cf0  and go down the \b stairs\b0  before the clock runs out. The Hedge has one key and one door, the Catacombs two of each.\par
\par
\b Keys\b0\par
Arrow keys: walk, one square after another. Hold an arrow to keep walking; let go and you stop on the next square.\par
To turn into a side way, hold the new arrow while you still hold the old one: you turn at the first opening that way.\par
F1: this help. Esc: end the game.\par
\par
\b Keys and doors\b0\par
Walk onto a key to pick it up. Walk into a locked door while you carry a key: the door opens and the key is used up. Keys do not go with you into the next maze.\par
\par
\b Enemies\b0\par
\cf2 Red guards\cf0  walk back and forth along their corridor, across or up and down, and turn round at a wall or a door.\par
The \cf2 purple ghost\cf0  in the Catacombs comes after you when you are within seven squares of it (in a straight line, through walls); elsewhere it roams. It is half as fast as you.\par
When a guard or the ghost touches you, you lose one of your three lives; you, the guards and the ghost go back to where you started in this maze, and wait there a moment and a half. Keys you carry and doors you opened stay so, and the clock keeps running. Lose all three lives and the game is over.\par
\par
\b Time\b0\par
The clock on the status line gives 75 seconds for the Hedge and 120 for the Catacombs; it ticks in the last ten. When it reaches 0 the game is over.\par
\par
\b Score\b0\par
50 points for each key; 10 points for each second left on the clock when you reach the stairs; 100 points for each life left when you escape from the last maze. At the end of the game a good score goes into the high-score table.\par
\par
\b Records\b0\par
The game remembers, from one game to the next, your best time in each maze and the furthest maze you have reached. The welcome message and the status line show them.\par
}
"""


if __name__ == "__main__":
    os.makedirs(SPRITES, exist_ok=True)
    os.makedirs(DATA, exist_ok=True)
    pictures = {
        "player.png": player(),
        "guard0.png": guard(0), "guard1.png": guard(1),
        "ghost0.png": ghost(0), "ghost1.png": ghost(1),
        "key.png": key(), "door.png": door(), "stairs.png": stairs(),
        "wall0.png": wall(0), "wall1.png": wall(1),
    }
    for name, img in pictures.items():
        write_png(os.path.join(SPRITES, name), img)
    write_bmp(os.path.join(DATA, "floor1.bmp"), floor(1))
    write_bmp(os.path.join(DATA, "floor2.bmp"), floor(2))
    wav("key.wav", notes([(988, 0.07), (1319, 0.07), (1976, 0.12)]))
    wav("door.wav", noise(0.35, 90, 220))
    wav("caught.wav", notes([(330, 0.12), (247, 0.12), (165, 0.3)], square=True))
    wav("cleared.wav", notes([(523, 0.09), (659, 0.09), (784, 0.09), (1047, 0.25)]))
    wav("tick.wav", notes([(1760, 0.03)]))
    midi(os.path.join(DATA, "maze.mid"))
    with open(os.path.join(DATA, "help.rtf"), "w", newline="\r\n") as f:
        f.write(HELP)
