# Writes catch_data/tune.mid, the example game's background music: a short, cheerful loop,
# the melody on a marimba and the bass plucked.
import struct

def var(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)

TPQ = 240
def track(events):
    data = b""
    for delta, msg in events:
        data += var(delta) + msg
    data += var(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + data

def notes(channel, program, seq, velocity):
    ev = [(0, bytes([0xC0 | channel, program]))]
    for pitch, length in seq:
        if pitch is None:
            ev.append((length, bytes([0x90 | channel, 0, 0])))
            continue
        ev.append((0, bytes([0x90 | channel, pitch, velocity])))
        ev.append((length, bytes([0x80 | channel, pitch, 0])))
    return ev

e8 = TPQ // 2
melody = [(72, e8), (76, e8), (79, e8), (76, e8), (74, e8), (77, e8), (81, e8), (77, e8),
          (76, e8), (79, e8), (84, e8), (79, e8), (77, e8), (74, e8), (71, e8), (74, e8)] * 2
bass = [(48, TPQ), (55, TPQ), (50, TPQ), (57, TPQ), (52, TPQ), (55, TPQ), (53, TPQ), (55, TPQ)] * 2
tempo = [(0, b"\xff\x51\x03" + struct.pack(">I", 500000)[1:])]
header = b"MThd" + struct.pack(">IHHH", 6, 1, 3, TPQ)
with open("catch_data/tune.mid", "wb") as f:
    f.write(header + track(tempo) + track(notes(0, 12, melody, 90)) + track(notes(1, 45, bass, 80)))
