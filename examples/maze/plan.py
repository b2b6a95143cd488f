#!/usr/bin/env python3
"""Writes plays/win/input.txt, a `qvf run --input` file that escapes from both mazes, and
plays/lose/input.txt, one that is caught once and then runs out of time.

Run from this folder: python3 plan.py
It reads the plans of the mazes from maze.json and plays the game in a small simulation of its
rules (the same steps, speeds, squares and boxes as the game's code), so that it can look ahead:
for each maze it takes the shortest walk from the start to the key(s), through the door(s) to
the stairs, and a best-first search over "walk one square on / one square back / wait one step"
decides when to walk, so that no guard and no ghost ever touches the player.

The step at which the second maze starts is worked out by the simulation too (the step the
player reaches the first maze's stairs), and printed with the time taken in each maze.
"""
import heapq
import json
import os
from collections import deque

HERE = os.path.dirname(os.path.abspath(__file__))
CELL = 32
KEYS = {(-1, 0): "left", (0, -1): "up", (1, 0): "right", (0, 1): "down"}
DIRS = [(-1, 0), (0, -1), (1, 0), (0, 1)]  # the order the game's code tries them: k = 0..3


def load_plans():
    with open(os.path.join(HERE, "maze.json")) as f:
        game = json.load(f)
    plans = []
    for name in ("hedge", "catacombs"):
        obj = next(o for o in game["objects"] if o["name"] == name)
        rows, limit = {}, None
        for action in obj["events"]["creation"][0]["actions"]:
            code = action["arguments"][0]
            if code.startswith("global.limit"):
                limit = int(code.split("=")[1])
            else:
                index = int(code[code.index("[") + 1:code.index("]")])
                rows[index] = code.split("'")[1]
        plans.append(([rows[i] for i in range(len(rows))], limit))
    return plans


def overlap(ax, ay, bx, by, top=4, bottom=27):
    """The player's box (4..27 both ways) against another box (4..27 across, top..bottom down)."""
    return not (bx + 27 < ax + 4 or ax + 27 < bx + 4 or by + bottom < ay + 4 or ay + 27 < by + top)


class World:
    """One maze, as the game runs it: walls, doors, keys, stairs, the player, guards and the ghost."""

    def __init__(self, rows, limit):
        self.walls, self.doors, self.keys, self.enemies = set(), set(), set(), []
        for r, line in enumerate(rows):
            for c, ch in enumerate(line):
                if ch == "X":
                    self.walls.add((c, r))
                elif ch == "D":
                    self.doors.add((c, r))
                elif ch == "K":
                    self.keys.add((c, r))
                elif ch == "E":
                    self.stairs = (c, r)
                elif ch == "P":
                    self.start = (c, r)
                elif ch in "HVG":
                    d = (0, 1) if ch == "V" else (1, 0)
                    # kind, x, y, dx, dy, hspeed, vspeed
                    self.enemies.append(["ghost" if ch == "G" else "guard", c * CELL, r * CELL,
                                         d[0], d[1], 0, 0])
        self.px, self.py = self.start[0] * CELL, self.start[1] * CELL
        self.pdx = self.pdy = self.phs = self.pvs = 0
        self.carried = 0
        self.score = 0
        self.limit = self.time = limit
        self.step = 0          # steps since the room started
        self.caught = False
        self.escaped = False

    def copy(self):
        w = World.__new__(World)
        w.__dict__.update(self.__dict__)
        w.doors, w.keys = set(self.doors), set(self.keys)
        w.enemies = [e[:] for e in self.enemies]
        return w

    def free(self, cell):
        return cell not in self.walls and cell not in self.doors

    def run_step(self, key):
        """One step with `key` (a direction, or None) held; as the game's events do it."""
        self.step += 1
        if self.step % 30 == 0:
            self.time -= 1
        # the player's Step event
        if self.px % CELL == 0 and self.py % CELL == 0:
            mx = my = 0
            if key is not None:
                target = (self.px // CELL + key[0], self.py // CELL + key[1])
                if self.carried > 0 and target in self.doors:
                    self.doors.discard(target)
                    self.carried -= 1
                if self.free(target):
                    mx, my = key
            self.pdx, self.pdy = mx, my
            self.phs, self.pvs = 4 * mx, 4 * my
        # the enemies' Step events
        for e in self.enemies:
            kind, x, y, dx, dy = e[:5]
            if x % CELL or y % CELL:
                continue
            cx, cy = x // CELL, y // CELL
            if kind == "guard":
                if not self.free((cx + dx, cy + dy)):
                    dx, dy = -dx, -dy
            else:
                chase = (self.px - x) ** 2 + (self.py - y) ** 2 <= (7 * CELL) ** 2
                mx, my, best = -dx, -dy, -1
                for ddx, ddy in DIRS:
                    if (ddx != -dx or ddy != -dy) and self.free((cx + ddx, cy + ddy)):
                        if chase:
                            d = (x + CELL * ddx - self.px) ** 2 + (y + CELL * ddy - self.py) ** 2
                        else:
                            d = 0 if (ddx, ddy) == (dx, dy) else 1
                        if best < 0 or d < best:
                            best, mx, my = d, ddx, ddy
                dx, dy = mx, my
            e[3], e[4], e[5], e[6] = dx, dy, 2 * dx, 2 * dy
        # motion
        self.px += self.phs
        self.py += self.pvs
        for e in self.enemies:
            e[1] += e[5]
            e[2] += e[6]
        # meetings
        for k in list(self.keys):
            if overlap(self.px, self.py, k[0] * CELL, k[1] * CELL, 8, 23):
                self.keys.discard(k)
                self.carried += 1
                self.score += 50
        for e in self.enemies:
            if overlap(self.px, self.py, e[1], e[2]):
                self.caught = True
        if overlap(self.px, self.py, self.stairs[0] * CELL, self.stairs[1] * CELL):
            self.escaped = True


def shortest(world, start, goal, opened):
    prev, queue = {start: None}, deque([start])
    while queue:
        cell = queue.popleft()
        if cell == goal:
            break
        for dx, dy in DIRS:
            n = (cell[0] + dx, cell[1] + dy)
            if n in prev or n in world.walls or (n in world.doors and n not in opened and n != goal):
                continue
            prev[n] = cell
            queue.append(n)
    if goal not in prev:
        return None
    path = [goal]
    while prev[path[-1]] is not None:
        path.append(prev[path[-1]])
    return path[::-1]


def route(world):
    """Start, every key (the nearest one that can be reached first), then the nearest door
    after each key, and the stairs."""
    cells, here, opened = [world.start], world.start, set()
    keys, doors = set(world.keys), set(world.doors)

    def nearest(places):
        ways = [shortest(world, here, c, opened) for c in sorted(places)]
        return min((w for w in ways if w), key=len)

    while keys:
        way = nearest(keys)
        cells += way[1:]
        here = way[-1]
        keys.discard(here)
        way = nearest(doors)
        cells += way[1:]
        d = way[-1]
        doors.discard(d)
        opened.add(d)
        here = d
    cells += shortest(world, here, world.stairs, opened)[1:]
    return cells


def plan(world):
    """Best-first search over the moves; returns the key held at each step (None: no key)."""
    cells = route(world)
    end = len(cells) - 1
    # state: (estimate, step, tie, index on the route, world, keys held so far)
    tie = 0
    queue = [(8 * end, 0, tie, 0, world, [])]
    seen = set()
    while queue:
        _, step, _, i, w, keys = heapq.heappop(queue)
        signature = (i, step, tuple(tuple(e[1:5]) for e in w.enemies))
        if signature in seen:
            continue
        seen.add(signature)
        moves = []
        if i < end:
            moves.append((i + 1, 8))
        if i > 0:
            moves.append((i - 1, 8))
        moves.append((i, 1))
        for j, length in moves:
            n = w.copy()
            held = None
            if j != i:
                held = (cells[j][0] - cells[i][0], cells[j][1] - cells[i][1])
            taken = []
            for _ in range(length):
                n.run_step(held)
                taken.append(held)
                if n.caught or n.escaped or n.time <= 0:
                    break
            if n.caught or n.time <= 0:
                continue
            if n.escaped:
                return keys + taken, n
            tie += 1
            heapq.heappush(queue, (n.step + 8 * (end - j), n.step, tie, j, n, keys + taken))
    raise SystemExit("no safe way out of the maze")


def key_lines(held, first_step, lines):
    """The key_down / key_up lines for a list of held keys, the first for step first_step."""
    current = None
    for k, key in enumerate(held):
        step = first_step + k
        if key != current:
            if current is not None:
                lines.append("%d key_up %s" % (step, KEYS[current]))
            if key is not None:
                lines.append("%d key_down %s" % (step, KEYS[key]))
            current = key
    if current is not None:
        lines.append("%d key_up %s" % (first_step + len(held), KEYS[current]))


def lose(world, winning):
    """The losing play: the winning walk up to the key, then straight at the nearest guard.
    Caught once, the player stays at the start and the clock runs out."""
    held = []
    for key in winning:
        world.run_step(key)
        held.append(key)
        if world.carried:
            break
    while not world.caught:
        guard = min((e for e in world.enemies if e[0] == "guard"),
                    key=lambda e: abs(e[1] - world.px) + abs(e[2] - world.py))
        key = (-1, 0) if guard[1] < world.px else (1, 0)
        world.run_step(key)
        held.append(key)
    print("lose: key taken, then caught at step %d" % world.step)
    return held


def write(play, lines):
    os.makedirs(os.path.join(HERE, "plays", play), exist_ok=True)
    with open(os.path.join(HERE, "plays", play, "input.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    lines = ["# Escaping from both mazes: made by plan.py"]
    start, score = 0, 0
    plans = load_plans()
    for number, (rows, limit) in enumerate(plans, 1):
        held, world = plan(World(rows, limit))
        key_lines(held, start + 1, lines)
        if number == 1:
            first = held
        end = start + len(held)
        taken = world.limit - world.time
        score += world.score + 10 * world.time
        print("maze %d: stairs reached at step %d, in %d seconds, %d left" %
              (number, end, taken, world.time))
        start = end
    print("score before the lives bonus:", score)
    write("win", lines)
    lines = ["# Caught by a guard after taking the key, then waiting for the clock: made by plan.py"]
    key_lines(lose(World(*plans[0]), first), 1, lines)
    write("lose", lines)
