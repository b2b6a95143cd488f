#!/usr/bin/env python3
"""Makes every picture, sound and tune of Climb, with Python's standard library only.

Run from anywhere: python3 examples/climb/media.py
It writes
  sprites/*.png             the sprites (PNG, 24-bit)
  climb_data/*.wav          the sounds: coin, jump, hurt, door
  climb_data/climb.mid      the background music
  climb_data/title.bmp      the start screen
  climb_data/sky.bmp, cave.bmp, tower.bmp   the backgrounds of the three rooms
  climb_data/help.rtf       the game information (F1)

In the game a sprite pixel is transparent when it has the colour of the bottom-left pixel, so
every sprite keeps that pixel in its background colour (KEY below). The blocks have no
background: their bottom-left pixel gets a colour used nowhere else.
"""
import math
import os
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SPRITES = os.path.join(HERE, "sprites")
DATA = os.path.join(HERE, "climb_data")

KEY = (255, 0, 255)        # the see-through colour of the sprites
OUTLINE = (24, 20, 36)


# ---------------------------------------------------------------- pictures in memory

def canvas(w, h, colour=KEY):
    return [[colour] * w for _ in range(h)]


def rect(img, x0, y0, x1, y1, colour):
    """Fills the rectangle from (x0, y0) to (x1, y1), both corners included."""
    for y in range(max(y0, 0), min(y1, len(img) - 1) + 1):
        row = img[y]
        for x in range(max(x0, 0), min(x1, len(row) - 1) + 1):
            row[x] = colour


def ellipse(img, cx, cy, rx, ry, colour):
    for y in range(len(img)):
        for x in range(len(img[0])):
            if rx > 0 and ry > 0 and ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1:
                img[y][x] = colour


def outline(img, colour=OUTLINE):
    """Gives every shape a one-pixel dark edge, on the background pixels next to it."""
    h, w = len(img), len(img[0])
    edge = []
    for y in range(h):
        for x in range(w):
            if img[y][x] != KEY:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if 0 <= nx < w and 0 <= ny < h and img[ny][nx] not in (KEY, colour):
                    edge.append((x, y))
                    break
    for x, y in edge:
        img[y][x] = colour
    return img


def mirrored(img):
    return [list(reversed(row)) for row in img]


def shade(colour, amount):
    return tuple(max(0, min(255, c + amount)) for c in colour)


class Noise:
    """A small fixed pseudo-random sequence, so that every run draws the same pictures."""

    def __init__(self, seed):
        self.state = seed

    def next(self, n):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 8) % n


# ---------------------------------------------------------------- files

def write_png(path, img):
    height, width = len(img), len(img[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in img)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def write_bmp(path, img):
    """An 8-bit BMP with its own palette (at most 256 colours): rows bottom-up, each padded to
    four bytes, right after the palette."""
    height, width = len(img), len(img[0])
    palette = sorted({px for row in img for px in row})
    if len(palette) > 256:
        raise SystemExit("%s: %d colours, more than a palette holds" % (path, len(palette)))
    index = {colour: i for i, colour in enumerate(palette)}
    stride = (width + 3) // 4 * 4
    pixels = b"".join(bytes(index[px] for px in row) + b"\x00" * (stride - width)
                      for row in reversed(img))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835,
                       len(palette), 0)
    with open(path, "wb") as f:
        f.write(header + info + table + pixels)


# ---------------------------------------------------------------- sprites

SKIN = (250, 196, 150)
CAP = (210, 40, 40)
SHIRT = (40, 100, 210)
TROUSERS = (110, 70, 35)
BOOT = (60, 40, 35)
PACK = (230, 150, 30)


def hero(walking):
    """The climber facing right; `walking` spreads the legs. Box: x 6..25, y 2..31."""
    img = canvas(32, 32)
    rect(img, 7, 13, 10, 22, PACK)                  # backpack
    rect(img, 8, 14, 9, 15, shade(PACK, 40))
    rect(img, 10, 14, 22, 23, SHIRT)                # shirt
    rect(img, 11, 15, 12, 22, shade(SHIRT, 40))
    rect(img, 10, 23, 22, 23, (30, 30, 40))         # belt
    rect(img, 11, 6, 21, 13, SKIN)                  # face
    rect(img, 10, 6, 12, 10, (100, 60, 30))         # hair at the back
    rect(img, 17, 8, 18, 10, (20, 20, 30))          # eye
    rect(img, 19, 12, 21, 12, (190, 90, 80))        # mouth
    rect(img, 10, 2, 21, 5, CAP)                    # cap
    rect(img, 12, 2, 18, 2, shade(CAP, 50))
    rect(img, 18, 5, 25, 6, shade(CAP, -50))        # its brim
    if walking:
        rect(img, 20, 16, 24, 18, SHIRT)            # arm forward
        rect(img, 24, 16, 25, 18, SKIN)
        rect(img, 9, 24, 13, 27, TROUSERS)
        rect(img, 7, 27, 11, 28, TROUSERS)
        rect(img, 19, 24, 22, 28, TROUSERS)
        rect(img, 20, 28, 23, 28, TROUSERS)
        rect(img, 6, 29, 11, 31, BOOT)
        rect(img, 20, 29, 25, 31, BOOT)
    else:
        rect(img, 19, 16, 21, 21, SHIRT)            # arm down
        rect(img, 19, 21, 21, 22, SKIN)
        rect(img, 11, 24, 14, 28, TROUSERS)
        rect(img, 17, 24, 20, 28, TROUSERS)
        rect(img, 11, 29, 15, 31, BOOT)
        rect(img, 17, 29, 22, 31, BOOT)
    return outline(img)


UNIQUE = (3, 2, 1)   # the bottom-left pixel of the blocks: a colour no other pixel has


def block(style, top):
    """One 32 x 32 block: style 0 meadow earth, 1 cave rock, 2 tower brick; `top` for a block
    with nothing above it (grass, moss, a light coping)."""
    noise = Noise(7 + style * 31 + top)
    base = [(140, 95, 55), (96, 90, 100), (120, 120, 140)][style]
    img = canvas(32, 32, base)
    if style == 2:
        mortar = (70, 70, 85)
        for y in range(32):
            for x in range(32):
                if y % 8 == 7 or x == (0 if (y // 8) % 2 == 0 else 16):
                    img[y][x] = mortar
                elif y % 8 == 0 or x % 16 == 1:
                    img[y][x] = shade(base, 25)
    else:
        for _ in range(40):
            x, y = noise.next(31), noise.next(31)
            img[y][x] = shade(base, 30)
            img[y + 1][x + 1] = shade(base, -30)
    rect(img, 0, 0, 31, 1, shade(base, 40))
    rect(img, 0, 30, 31, 31, shade(base, -45))
    if top:
        if style == 0:
            rect(img, 0, 0, 31, 6, (70, 170, 50))
            rect(img, 0, 0, 31, 1, (120, 210, 80))
            for x in range(0, 32, 3):
                rect(img, x, 7, x, 7 + noise.next(4), (60, 140, 45))
        elif style == 1:
            for x in range(32):
                rect(img, x, 0, x, 1 + noise.next(5), (60, 120, 70))
        else:
            rect(img, 0, 0, 31, 3, (170, 170, 185))
            rect(img, 0, 4, 31, 4, (60, 60, 75))
    img[31][0] = UNIQUE
    return img


def spikes():
    """Four steel spikes on a plate. Box: x 2..29, y 16..31."""
    img = canvas(32, 32)
    rect(img, 1, 28, 30, 31, (80, 80, 90))
    for i in range(4):
        left = 1 + 8 * i
        for y in range(12, 28):
            half = (y - 12) * 4 // 16
            rect(img, left + 3 - half, y, left + 4 + half, y, (200, 205, 215))
            rect(img, left + 4, y, left + 4 + half, y, (140, 145, 160))
    outline(img)
    img[31][0] = KEY
    return img


def coin(frame):
    """A spinning coin, four frames. Box: x 8..23, y 8..23."""
    img = canvas(32, 32)
    half = [8, 6, 2, 6][frame]
    ellipse(img, 16, 16, half, 8, (190, 130, 20))
    ellipse(img, 16, 16, max(half - 2, 1), 6, (250, 210, 50))
    if half > 3:
        rect(img, 15, 12, 16, 19, (255, 245, 170))
    return outline(img)


def door():
    """The way out, 32 x 64. Box: x 8..23, y 20..63."""
    img = canvas(32, 64)
    wood = (150, 95, 45)
    ellipse(img, 16, 16, 14, 14, (80, 50, 25))
    rect(img, 2, 16, 29, 63, (80, 50, 25))
    ellipse(img, 16, 17, 11, 11, wood)
    rect(img, 5, 17, 26, 63, wood)
    for x in (10, 16, 21):
        rect(img, x, 8, x, 63, shade(wood, -35))
    rect(img, 22, 38, 24, 40, (250, 220, 60))    # knob
    rect(img, 11, 0, 20, 5, (40, 160, 60))       # a green light above
    rect(img, 13, 1, 18, 4, (140, 250, 140))
    outline(img)
    img[63][0] = KEY
    return img


def beetle(frame):
    """A spiny beetle that walks to and fro. Box: x 4..27, y 12..31."""
    img = canvas(32, 32)
    for i in range(5):
        x = 6 + 5 * i
        for y in range(8, 14):
            rect(img, x - (y - 8) // 3, y, x + (y - 8) // 3, y, (235, 235, 240))
    ellipse(img, 16, 22, 13, 10, (140, 50, 160))
    rect(img, 3, 22, 28, 27, (140, 50, 160))
    ellipse(img, 12, 17, 3, 3, (200, 130, 210))
    for ex in (10, 20):
        rect(img, ex, 20, ex + 2, 22, (255, 255, 255))
        rect(img, ex + 1, 21, ex + 2, 22, (0, 0, 0))
    legs = [(5, 9, 14), (18, 23, 27)] if frame == 0 else [(7, 11, 16), (16, 21, 25)]
    for group in legs:
        for x in group:
            rect(img, x, 28, x + 1, 30, (50, 20, 60))
    outline(img)
    img[31][0] = KEY
    return img


def saw(frame):
    """A spinning saw blade. Box: x 5..26, y 5..26."""
    img = canvas(32, 32)
    for k in range(12):
        angle = (k + 0.5 * frame) * math.pi / 6
        for r in range(10, 15):
            w = (15 - r) / 4
            for a in (angle - w * 0.08, angle, angle + w * 0.08):
                x = int(16 + r * math.cos(a))
                y = int(16 + r * math.sin(a))
                img[y][x] = (210, 210, 220)
    ellipse(img, 16, 16, 11, 11, (170, 170, 185))
    ellipse(img, 16, 16, 8, 8, (130, 130, 150))
    ellipse(img, 16, 16, 3, 3, (220, 60, 40))
    for k in range(3):
        a = (k / 3 + frame / 6) * 2 * math.pi
        rect(img, int(16 + 6 * math.cos(a)), int(16 + 6 * math.sin(a)),
             int(17 + 6 * math.cos(a)), int(17 + 6 * math.sin(a)), (90, 90, 110))
    outline(img)
    img[31][0] = KEY
    return img


def heart():
    img = canvas(16, 16)
    ellipse(img, 5, 6, 4, 4, (230, 30, 50))
    ellipse(img, 11, 6, 4, 4, (230, 30, 50))
    for y in range(6, 15):
        inset = (y - 6) * 7 // 8
        rect(img, 1 + inset, y, 14 - inset, y, (230, 30, 50))
    rect(img, 3, 4, 4, 5, (255, 170, 180))
    return outline(img)


# ---------------------------------------------------------------- the start screen and backgrounds

FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01111", "10000", "10000", "10011", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "J": ["00111", "00010", "00010", "00010", "00010", "10010", "01100"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    ":": ["00000", "00100", "00100", "00000", "00100", "00100", "00000"],
    ",": ["00000", "00000", "00000", "00000", "00100", "00100", "01000"],
    ".": ["00000", "00000", "00000", "00000", "00000", "00100", "00100"],
    "!": ["00100", "00100", "00100", "00100", "00100", "00000", "00100"],
    " ": ["00000"] * 7,
}


def text(img, x, y, message, scale, colour, shadow=None):
    """Draws `message` in the 5 x 7 font above, each font pixel `scale` pixels wide."""
    cells = [(x + (6 * i + gx) * scale, y + gy * scale)
             for i, ch in enumerate(message)
             for gy, row in enumerate(FONT[ch])
             for gx, bit in enumerate(row) if bit == "1"]
    if shadow:
        drop = max(scale // 3, 1)
        for px, py in cells:
            rect(img, px + drop, py + drop, px + scale - 1 + drop, py + scale - 1 + drop, shadow)
    for px, py in cells:
        rect(img, px, py, px + scale - 1, py + scale - 1, colour)


def text_centred(img, y, message, scale, colour, shadow=None):
    width = (6 * len(message) - 1) * scale
    text(img, (len(img[0]) - width) // 2, y, message, scale, colour, shadow)


def paste(img, sprite, x, y, scale):
    for sy, row in enumerate(sprite):
        for sx, px in enumerate(row):
            if px != KEY and px != UNIQUE:
                rect(img, x + sx * scale, y + sy * scale, x + (sx + 1) * scale - 1,
                     y + (sy + 1) * scale - 1, px)


def sky_colour(y, height):
    """Bands from deep blue at the top to a pale horizon."""
    band = y * 16 // height
    return (70 + band * 8, 130 + band * 6, 220 + band * 2)


def title():
    w, h = 640, 480
    img = [[sky_colour(y, h)] * w for y in range(h)]
    img = [list(row) for row in img]
    for cx, cy, s in ((110, 90, 1.0), (520, 60, 1.3), (420, 150, 0.8)):
        for dx, r in ((-30, 18), (0, 26), (30, 20)):
            ellipse(img, cx + dx * s, cy, r * s * 1.4, r * s * 0.8, (250, 250, 255))
    ground = block(0, True)
    earth = block(0, False)
    for x in range(0, w, 64):
        paste(img, ground, x, h - 128, 2)
        paste(img, earth, x, h - 64, 2)
    for x in range(448, 640, 64):
        paste(img, ground, x, h - 192, 2)
    paste(img, door(), 560, h - 320, 2)
    paste(img, hero(True), 120, h - 256, 4)
    for i, x in enumerate((300, 360, 420)):
        paste(img, coin(i % 4), x, h - 210, 2)
    paste(img, spikes(), 250, h - 192, 2)
    text_centred(img, 36, "CLIMB", 14, (250, 210, 50), (120, 60, 20))
    text_centred(img, 160, "ARROWS: WALK    UP OR SPACE: JUMP", 2, (20, 30, 70))
    text_centred(img, 184, "GRAB THE COINS, MIND THE SPIKES", 2, (20, 30, 70))
    text_centred(img, 208, "FIND THE DOOR IN EACH OF 3 ROOMS", 2, (20, 30, 70))
    text_centred(img, 392, "PRESS ANY KEY", 3, (255, 255, 255), (30, 60, 30))
    return img


def sky():
    """The meadow's sky, 120 x 88, stretched over the room: blocky clouds and far hills."""
    w, h = 120, 88
    img = [[sky_colour(y, h)] * w for y in range(h)]
    img = [list(row) for row in img]
    for cx, cy in ((18, 14), (64, 9), (100, 20)):
        for dx, r in ((-5, 3), (0, 4.5), (5, 3.5)):
            ellipse(img, cx + dx, cy, r * 1.5, r * 0.8, (245, 248, 255))
    for x in range(w):
        top = int(62 + 6 * math.sin(x / 9.0) + 3 * math.sin(x / 4.0 + 1))
        rect(img, x, top, x, h - 1, (120, 180, 120))
        far = int(70 + 5 * math.sin(x / 7.0 + 2))
        rect(img, x, far, x, h - 1, (95, 160, 95))
    return img


def cave():
    """A 64 x 64 tile of dark rock."""
    noise = Noise(99)
    base = (46, 40, 48)
    img = canvas(64, 64, base)
    for _ in range(26):
        cx, cy, r = noise.next(64), noise.next(64), 3 + noise.next(6)
        colour = shade(base, 6 + noise.next(8))
        for dx in (-64, 0, 64):
            for dy in (-64, 0, 64):
                ellipse(img, cx + dx, cy + dy, r, r * 0.7, colour)
    for _ in range(60):
        img[noise.next(64)][noise.next(64)] = shade(base, -12)
    return img


def tower():
    """A 64 x 64 tile of the tower's inner wall: dark bricks."""
    img = canvas(64, 64, (44, 46, 70))
    for y in range(64):
        for x in range(64):
            if y % 16 == 15 or x % 32 == (0 if (y // 16) % 2 == 0 else 16):
                img[y][x] = (28, 28, 44)
            elif y % 16 == 0:
                img[y][x] = (56, 58, 86)
    return img


# ---------------------------------------------------------------- sounds

RATE = 22050


def write_wav(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s)))) for s in samples))


def sweep(f0, f1, seconds, volume, square=False):
    """A tone gliding from f0 to f1 Hz, fading out."""
    n = int(RATE * seconds)
    phase = 0.0
    out = []
    for i in range(n):
        f = f0 + (f1 - f0) * i / n
        phase += 2 * math.pi * f / RATE
        v = math.sin(phase)
        if square:
            v = 1.0 if v >= 0 else -1.0
        out.append(volume * v * (1 - i / n) ** 0.7)
    return out


def coin_sound():
    return sweep(988, 988, 0.06, 7000, True) + sweep(1319, 1319, 0.18, 7000, True)


def jump_sound():
    return sweep(260, 720, 0.16, 9000)


def hurt_sound():
    noise = Noise(5)
    tone = sweep(420, 90, 0.4, 8000, True)
    return [v * 0.7 + (noise.next(2001) - 1000) * 3 * (1 - i / len(tone)) for i, v in enumerate(tone)]


def door_sound():
    out = []
    for f in (523, 659, 784, 1047):
        out += sweep(f, f, 0.09, 7000)
    return out


# ---------------------------------------------------------------- music

def midi_number(n):
    """A MIDI variable-length number."""
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def midi_track(events):
    """events: (tick, message bytes), in any order; written sorted by tick."""
    data = b""
    now = 0
    for tick, message in sorted(events, key=lambda e: e[0]):
        data += midi_number(tick - now) + message
        now = tick
    data += midi_number(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + data


NOTE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def pitch(name):
    """'F#5' -> 78."""
    semis = NOTE[name[0]] + (1 if "#" in name else 0)
    return 12 * (int(name[-1]) + 1) + semis


def part(channel, program, notes, velocity, beat):
    """notes: (name or None for a rest, length in eighths)."""
    events = [(0, bytes([0xC0 | channel, program]))]
    t = 0
    for name, eighths in notes:
        length = eighths * beat // 2
        if name:
            events.append((t, bytes([0x90 | channel, pitch(name), velocity])))
            events.append((t + length - 10, bytes([0x80 | channel, pitch(name), 0])))
        t += length
    return events


def tune():
    beat = 192
    melody = ("G4 B4 D5 G5 F#5 D5 B4 D5 | E5 C5 A4 C5 D5 B4 G4 B4 | "
              "C5 E5 G5 E5 B4 D5 G5 D5 | A4 C5 F#5 A5 G5:4 - - - | "
              "B4 D5 G5 D5 C5 E5 A5 E5 | D5 G5 B5 G5 F#5 D5 A4 D5 | "
              "E5 G5 C6 G5 D5 G5 B5 G5 | C5 E5 A4 F#5 G5:4 - - -")
    notes = []
    for word in melody.replace("|", " ").split():
        if word == "-":
            continue
        name, _, length = word.partition(":")
        notes.append((name, int(length or 1)))
    bass_line = "G2 D3 G2 D3 C3 G2 D3 G2 C3 G3 G2 D3 D3 A2 G2 D3 G2 D3 C3 A2 B2 G2 D3 F#2 C3 G2 B2 G2 A2 D3 G2 D3"
    bass = [(n, 2) for n in bass_line.split()]
    drums = []
    t = 0
    for bar in range(8):
        for eighth in range(8):
            note = 36 if eighth in (0, 4) else (38 if eighth in (2, 6) else 42)
            drums.append((t, bytes([0x99, note, 70 if note == 42 else 90])))
            drums.append((t + 60, bytes([0x89, note, 0])))
            t += beat // 2
    tempo = [(0, b"\xff\x51\x03" + struct.pack(">I", 60000000 // 150)[1:])]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, 4, beat)
    return (header + midi_track(tempo) + midi_track(part(0, 80, notes, 84, beat))
            + midi_track(part(1, 33, bass, 96, beat)) + midi_track(drums))


# ---------------------------------------------------------------- the game information

HELP = r"""{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}}{\colortbl;\red40\green100\blue200;\red200\green30\blue30;\red180\green130\blue0;}
\f0\fs36\b\cf1 Climb\b0\cf0\fs20\par
\par
Lead the climber through three rooms: \b the Meadow\b0 , \b the Caves\b0  and \b the Tower\b0 . Each room has a \b door\b0  (with a green light above it): walk into it to go on to the next room. Walking through the door of the Tower wins the game.\par
\par
\b Keys\b0\par
Left and right arrows: walk (hold the key).\par
Up arrow or space: jump. You can jump onto a ledge two blocks high, and over a beetle or spikes.\par
F1: this help. Esc: end the game.\par
\par
\b Points\b0\par
\cf3 Coin\cf0 : 10 points. Going through a door: 100 points. Winning: 100 more for every life left.\par
\par
\b Dangers\b0\par
You have three lives. You lose one when you touch \cf2 spikes\cf0 , a \cf2 spiny beetle\cf0  or a \cf2 saw blade\cf0 , or when you fall through a gap in the ground out of the room (a gap in a higher floor of the Tower only drops you to the floor below). You then start the room again from its beginning; the coins you have taken stay taken. For a moment after that you blink, and spikes, beetles and saws cannot hurt you. Losing the last life ends the game.\par
\par
At the end, won or lost, enter your name in the high-score table.\par
}
"""


def main():
    os.makedirs(SPRITES, exist_ok=True)
    os.makedirs(DATA, exist_ok=True)

    def sprite(name, img):
        write_png(os.path.join(SPRITES, name + ".png"), img)

    right_stand, right_walk = hero(False), hero(True)
    sprite("hero0", right_stand)
    sprite("hero1", right_walk)
    sprite("hero2", mirrored(right_stand))
    sprite("hero3", mirrored(right_walk))
    for style in range(3):
        sprite("block%d" % (2 * style), block(style, True))
        sprite("block%d" % (2 * style + 1), block(style, False))
    sprite("spikes", spikes())
    for frame in range(4):
        sprite("coin%d" % frame, coin(frame))
    sprite("door", door())
    for frame in range(2):
        sprite("beetle%d" % frame, beetle(frame))
        sprite("saw%d" % frame, saw(frame))
    sprite("heart", heart())

    write_bmp(os.path.join(DATA, "title.bmp"), title())
    write_bmp(os.path.join(DATA, "sky.bmp"), sky())
    write_bmp(os.path.join(DATA, "cave.bmp"), cave())
    write_bmp(os.path.join(DATA, "tower.bmp"), tower())

    write_wav(os.path.join(DATA, "coin.wav"), coin_sound())
    write_wav(os.path.join(DATA, "jump.wav"), jump_sound())
    write_wav(os.path.join(DATA, "hurt.wav"), hurt_sound())
    write_wav(os.path.join(DATA, "door.wav"), door_sound())
    with open(os.path.join(DATA, "climb.mid"), "wb") as f:
        f.write(tune())
    with open(os.path.join(DATA, "help.rtf"), "w", encoding="ascii", newline="\r\n") as f:
        f.write(HELP)


if __name__ == "__main__":
    main()
