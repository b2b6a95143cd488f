#!/usr/bin/env python3
"""Writes plays/win/input.txt and plays/lose/input.txt, the `qvf run --input` files of the two
recorded plays, from the short lists of moves below.

A move is `[jump] DIRECTION STEPS`: hold DIRECTION (`right`, `left` or `wait` for no arrow) for
STEPS steps, pressing the up arrow at the first of them when the move begins with `jump`. The
moves follow each other without a gap, from step FIRST on. An arrow is pressed (key_down) when
a move starts holding it and let go (key_up) when a move stops holding it; a jump is the up
arrow pressed for one step.

The counts were found by trying the moves headless and looking where the climber, the beetles
and the saws were at each step: the game uses no random numbers, so a play always goes the same
way. The other files of a play (play.txt, answers.txt, end/, the frame) are written by hand or
copied from a run.

Run: python3 examples/climb/plan.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
FIRST = 1

# The Meadow, cleared with every coin: the same at the start of both plays.
MEADOW = """
# The Meadow: up the three ledges, down to the right, back for the coin under them, over the spikes
right 22
jump right 30
jump right 40
jump right 60
right 30
left 68
right 67
jump right 33
"""

# The win: every room cleared, every coin taken, no life lost (the door of the Tower at step 2096).
WIN = MEADOW + """
# The Caves: over the gap, over the beetle taking the two coins above it, onto the step, over the spikes
right 32
jump right 25
jump right 26
jump right 23
jump right 28
right 3
jump right 30
# up the ledges on the right, zigzag
right 20
jump right 14
wait 4
jump left 24
right 13
jump right 18
right 4
left 9
jump left 24
left 4
jump left 24
# along the upper walkway to the door: over the spikes, the gap and the beetle
left 5
jump left 25
left 6
jump left 25
jump left 25
right 7
left 57
# The Tower: over the gap, the beetle and the second gap, over the spikes, onto the ledge
right 42
jump right 19
right 28
jump right 20
right 9
jump right 20
right 13
jump right 20
right 21
jump right 19
wait 1
left 4
jump left 24
# first floor: over the spikes to the left, up onto the ledge while the saw is high
left 55
jump left 19
left 80
jump left 20
# past the saw while it is low, over the gap and the beetle, over the second gap
right 8
wait 52
jump right 24
right 26
jump right 19
wait 14
jump right 20
right 58
jump right 19
# up past the second saw while it is high; the coin above the ledge; across while the saw is low
right 3
wait 105
jump right 16
right 12
jump wait 25
left 17
wait 50
jump left 24
# third floor: over the gap, the spikes and the beetle, up to the left, along the top to the door
left 12
jump left 19
left 44
jump left 19
left 6
jump left 19
left 31
jump left 20
right 6
jump right 20
right 170
"""

# The loss: the Meadow cleared, then every life lost in the Caves (the last at step 637).
LOSE = MEADOW + """
# The Caves: down the first gap
right 60
wait 2
# over the gap, straight onto the beetle
right 23
jump right 25
wait 60
# over the gap and the beetle, onto the step, then off it onto the spikes
right 30
jump right 25
jump right 26
jump right 23
right 20
"""


def keys(plan):
    lines = []
    step = FIRST
    held = None
    for raw in plan.strip().splitlines():
        words = raw.split()
        if not words or words[0].startswith("#"):
            if words:
                lines.append(raw)
            continue
        jump = words[0] == "jump"
        if jump:
            words = words[1:]
        direction, count = words[0], int(words[1])
        want = None if direction == "wait" else direction
        if held != want:
            if held:
                lines.append("%d key_up %s" % (step, held))
            if want:
                lines.append("%d key_down %s" % (step, want))
            held = want
        if jump:
            lines.append("%d key_down up" % step)
            lines.append("%d key_up up" % (step + 1))
        step += count
    if held:
        lines.append("%d key_up %s" % (step, held))
    return lines, step


def write(name, plan):
    lines, last = keys(plan)
    folder = os.path.join(HERE, "plays", name)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "input.txt"), "w") as f:
        f.write("# Climb, the %s play: made by plan.py\n" % name)
        f.write("\n".join(lines) + "\n")
    print("%s: the moves end at step %d" % (name, last))


if __name__ == "__main__":
    write("win", WIN)
    write("lose", LOSE)
