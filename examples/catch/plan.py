#!/usr/bin/env python3
"""Plans the two recorded plays of Catch: writes plays/win/input.txt and plays/lose/input.txt.

Where the stars and bombs fall comes from the game's random generator, and catching a star
draws a new random number, so the planner cannot work the play out by itself: it asks the
game. It packs a copy of catch.json with one object more, "spy", whose Step event shows a
message with the room, the score, the basket's x and every star's and bomb's x, y and speed
(message boxes land in the transcript and draw no random number; the spy is the last object
and the last instance of each room, so the game's own objects run exactly as in catch.json).
It plays that copy headless from the start with the input planned so far, reads where
everything is at the first step it may still change, and plans on from there:

- an object that is falling keeps its x and its speed until it leaves the room or is caught,
  whatever the basket does, so its path is known; a bomb that starts again above the room (its
  y is -16 or less, and it falls at most 5 pixels a step) needs more than 85 steps to come
  down to the basket, so for the next 85 steps the bombs the spy showed are all there is to
  dodge;
- of all the moves "wait W steps, then hold an arrow key for N steps" it keeps the one that
  catches a star soonest (the star's box within the solid part of the basket) while no bomb
  comes near the basket (3 pixels to spare) up to 15 steps after the catch; when no star can
  be caught in the next 70 steps it takes a safe move towards the star that will come lowest;
- it adds the keys to the input and plays again from the start, checks that the star was
  caught and no bomb was, and goes on after the catch.

win:  plays both levels through (the game ends by itself at the end of level 2);
lose: the same play until the fourth star is caught, then the basket goes under the next bomb.

Run from anywhere (Python standard library only; QVF names the qvf program, by default
build/test/bin/qvf of this source tree):
  python3 examples/catch/plan.py win
  python3 examples/catch/plan.py lose
"""
import json
import math
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
QVF = os.environ.get("QVF", os.path.join(ROOT, "build", "test", "bin", "qvf"))
WORK = "/tmp/catch-plan"
SEED = 7
LAST_STEP = 2000  # more than the game lasts (20 s at 30 steps + 20 s at 40 steps)

ROOM_W = 640
BASKET_W, BASKET_Y = 64, 448  # the basket's width and the top of its sprite
PIXELS = 7  # the basket's speed while an arrow key is held
MAX_WAIT, MAX_HOLD = 30, 55
SAFE_AHEAD = 85  # the steps for which the bombs on screen are the only danger
NEAR = 70  # a star caught within this many steps is planned to the catch
MARGIN = 3  # pixels kept between a bomb's box and the basket


def spy_description():
    with open(os.path.join(HERE, "catch.json")) as f:
        game = json.load(f)
    for obj in game["objects"]:
        if "sprite" in obj:
            obj["sprite"]["frames"] = [os.path.join(HERE, p) for p in obj["sprite"]["frames"]]
    each = "' + string(round(x * 1000)) + ' ' + string(round(y * 1000)) + ' ' + string(round(speed * 1000000))"
    code = ("{ global.spy = 'S ' + string(room) + ' ' + string(score) + ' ' + string(round(basket.x * 1000)); "
            "forall star do global.spy += ' s " + each + "; "
            "forall bomb do global.spy += ' b " + each + "; "
            "show_message(global.spy) }")
    game["objects"].append({"name": "spy", "events": {"step": [{"actions": [{"id": 811, "arguments": [code]}]}]}})
    for room in game["rooms"]:
        room["instances"].append({"column": 0, "row": 0, "object": "spy"})
    return game


def prepare():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(os.path.join(WORK, "game"))
    with open(os.path.join(WORK, "catch.json"), "w") as f:
        json.dump(spy_description(), f, indent=1)
    shutil.copytree(os.path.join(HERE, "catch_data"), os.path.join(WORK, "game", "catch_data"))
    subprocess.run([QVF, "pack", os.path.join(WORK, "catch.json"), "-o", os.path.join(WORK, "game", "catch.qvf")],
                   check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(WORK, "answers.txt"), "w") as f:
        f.write("ok\n" * 3000)


class State:
    """What the spy showed at the start of a step: the game after the step before."""

    def __init__(self, text):
        w = text.split()
        self.room, self.score, self.bx = int(w[1]), int(w[2]), int(w[3]) / 1000
        self.stars, self.bombs = [], []
        i = 4
        while i < len(w):
            thing = (int(w[i + 1]) / 1000, int(w[i + 2]) / 1000, int(w[i + 3]) / 1000000)
            (self.stars if w[i] == "s" else self.bombs).append(thing)
            i += 4


class Run:
    def __init__(self, moves):
        data = os.path.join(WORK, "game", "catch_data")
        for name in ("scores", "iodata"):
            if os.path.exists(os.path.join(data, name)):
                os.remove(os.path.join(data, name))
        with open(os.path.join(WORK, "input.txt"), "w") as f:
            f.write(input_text(moves, "a planning run"))
        out = subprocess.run([QVF, "run", os.path.join(WORK, "game", "catch.qvf"), "--seed", str(SEED),
                              "--steps", str(LAST_STEP), "--input", os.path.join(WORK, "input.txt"),
                              "--answers", os.path.join(WORK, "answers.txt")],
                             check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
        self.states, self.lines, self.boom, self.dings = {}, [], None, []
        for line in out.splitlines():
            d = json.loads(line)
            if d["kind"] == "message" and d["text"].startswith("S "):
                self.states[d["step"]] = State(d["text"])
                continue
            self.lines.append(d)
            if d["kind"] == "error":
                sys.exit("the game reported an error: %s" % d["text"])
            if d["kind"] == "message" and d["text"].startswith("Boom!"):
                self.boom = d["step"]
            if d["kind"] == "sound" and d["action"] == "play" and d["sound"] == 1:
                self.dings.append(d["step"])
        self.end = self.lines[-1]["step"]

    def room_end(self, room):
        return max(k for k, s in self.states.items() if s.room == room)


def input_text(moves, what):
    lines = ["# Catch, %s: made by plan.py (seed %d)" % (what, SEED)]
    held = []  # a move that goes on where the one before stopped keeps the key down
    for start, hold, key in moves:
        if held and held[-1][2] == key and sum(held[-1][:2]) == start:
            held[-1][1] += hold
        else:
            held.append([start, hold, key])
    for start, hold, key in held:
        lines.append("%d key_down %s" % (start, key))
        lines.append("%d key_up %s" % (start + hold, key))
    return "\n".join(lines) + "\n"


def path(bx, c, wait, hold, d):
    """The basket's x in the collisions of steps c, c+1, ...: keys held from step c+wait to c+wait+hold."""
    def at(k):
        moved = min(max(k - (c + wait) + 1, 0), hold)
        return bx + d * PIXELS * moved
    return at


def fall(thing, c, k):
    """The y of a falling object in the collisions of step k, from where it was at the start of step c."""
    return thing[1] + thing[2] * (k - c + 1)


def window(thing, c, top, bottom):
    """The steps from c on in whose collisions the object's y lies between top and bottom."""
    y, v = thing[1], thing[2]
    k = c + max(0, math.ceil((top - y) / v) - 1)
    while fall(thing, c, k) < top:
        k += 1
    while k > c and fall(thing, c, k - 1) >= top:
        k -= 1
    steps = []
    while fall(thing, c, k) <= bottom:
        steps.append(k)
        k += 1
    return steps


def bomb_steps(bomb, c, margin):
    """The steps in which the bomb's box is level with the basket's (margin pixels more)."""
    return window(bomb, c, BASKET_Y - 14 - margin, BASKET_Y + 14 + margin)


def bomb_hits(bomb, x, margin):
    return bomb[0] + 1 <= x + BASKET_W - 1 + margin and bomb[0] + 14 >= x - margin


def catch_steps(star, c):
    """The steps in which the star is level with the basket (they overlap by at least a row)."""
    return window(star, c, BASKET_Y - 15, BASKET_Y + 15)


def inside(thing, x):
    """The object's box lies over the solid part of the basket."""
    return thing[0] >= x + 3 and thing[0] + 15 <= x + BASKET_W - 4


def moves_from(bx):
    yield 0, 0, 1
    for d in (-1, 1):
        for hold in range(1, MAX_HOLD + 1):
            if 0 <= bx + d * PIXELS * hold <= ROOM_W - BASKET_W:
                for wait in range(0, MAX_WAIT + 1):
                    yield wait, hold, d


def plan_step(st, c, room_end):
    """The best move from step c: (wait, hold, direction, catch step or None, star)."""
    stars = [(i, [k for k in catch_steps(s, c) if k <= room_end]) for i, s in enumerate(st.stars)]
    bombs = [(b, bomb_steps(b, c, MARGIN)) for b in st.bombs]
    low = max(st.stars, key=lambda s: s[1])
    best = None
    for wait, hold, d in moves_from(st.bx):
        if c + wait + hold > room_end:
            continue
        at = path(st.bx, c, wait, hold, d)
        catch, star = None, None
        for i, steps in stars:
            for k in steps:
                if inside(st.stars[i], at(k)):
                    if catch is None or k < catch:
                        catch, star = k, i
                    break
        near = catch is not None and catch <= c + NEAR
        if not near and wait + hold > 60:
            continue
        until = min(room_end, catch + 15 if near else c + SAFE_AHEAD)
        if any(bomb_hits(b, at(k), MARGIN) for b, steps in bombs for k in steps if k <= until):
            continue
        if near:
            key = (0, catch, hold, wait)
        else:
            # no star near: go where the lowest star falls, safely
            key = (1, abs(at(c + wait + hold) + 24 - low[0]), hold, wait)
        if best is None or key < best[0]:
            best = (key, (wait, hold, d, catch if near else None, star))
    return best[1] if best else None


def plan_bomb(st, c, room_end):
    """The move from step c that puts the basket under a bomb soonest: (wait, hold, direction, step)."""
    bombs = [(b, [k for k in bomb_steps(b, c, -3) if k <= room_end]) for b in st.bombs]
    best = None
    for wait, hold, d in moves_from(st.bx):
        at = path(st.bx, c, wait, hold, d)
        for b, steps in bombs:
            for k in steps:
                if inside(b, at(k)):
                    if best is None or (k, hold) < best[0]:
                        best = ((k, hold), (wait, hold, d, k))
                    break
    return best[1]


def plan(stop_after=None):
    moves = []  # (step of key_down, steps held, key)
    c = 1
    caught = 0
    expect = None  # (star, from step, step): the star the last move was to catch, and when
    while True:
        run = Run(moves)
        if expect is not None:
            star, start, k = expect
            ys = [run.states[j].stars[star][1] for j in range(start, k + 2) if j in run.states]
            if len(ys) < k + 2 - start or all(a < b for a, b in zip(ys, ys[1:])):
                sys.exit("the star planned for step %d was not caught" % k)
            caught += 1
        if run.boom is not None and run.boom < c:
            if stop_after is not None and caught == stop_after:
                return moves, run
            sys.exit("planned into a bomb at step %d" % run.boom)
        # the step that changes the room runs no Step event: plan on from the next one
        c = min((k for k in run.states if k >= c), default=None)
        if c is None:
            return moves, run
        st = run.states[c]
        room_end = run.room_end(st.room)
        expect = None
        if stop_after is not None and caught == stop_after:
            wait, hold, d, k = plan_bomb(st, c, room_end)
            if hold:
                moves.append((c + wait, hold, "right" if d > 0 else "left"))
            print("step %d: room %d, score %d, basket to %d, under a bomb at step %d" %
                  (c, st.room, st.score, st.bx + d * PIXELS * hold, k))
            c = k + 1
            continue
        choice = plan_step(st, c, room_end)
        if choice is None:
            sys.exit("step %d: no safe move" % c)
        wait, hold, d, catch, star = choice
        if hold:
            moves.append((c + wait, hold, "right" if d > 0 else "left"))
        if catch is None:
            print("step %d: room %d, score %d, no star near: basket to %d" %
                  (c, st.room, st.score, st.bx + d * PIXELS * hold))
            c = min(room_end + 1, c + max(30, wait + hold))
        else:
            expect = (star, c, catch)
            print("step %d: room %d, score %d, basket to %d, star %d caught at step %d" %
                  (c, st.room, st.score, st.bx + d * PIXELS * hold, star + 1, catch))
            c = catch + 1


def main():
    what = sys.argv[1] if len(sys.argv) > 1 else ""
    if what not in ("win", "lose"):
        sys.exit(__doc__)
    prepare()
    moves, run = plan(None if what == "win" else 4)
    folder = os.path.join(HERE, "plays", what)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "input.txt"), "w") as f:
        f.write(input_text(moves, "won" if what == "win" else "lost"))
    rooms = sorted({s.room for s in run.states.values()})
    print("the game ended at step %d in room %d; stars caught at steps %s" %
          (run.end, rooms[-1], " ".join(map(str, run.dings))))
    for d in run.lines:
        if d["kind"] in ("message", "highscore"):
            print("  step %d: %s" % (d["step"], json.dumps(d)))


if __name__ == "__main__":
    main()
