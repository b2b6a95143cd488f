#!/usr/bin/env python3
"""Writes plays/win/input.txt, a `qvf run --input` file that plays Snake well: for each room it finds, with a
breadth-first search, a path to the nearest apple that keeps clear of the walls and the tail,
and presses the arrow key for every turn two steps before the move that needs it.

The timing is the game's: a move every `delay` steps (4 in the Meadow, 3 in the Cellar), the
first one `delay` steps after the room starts. ROOM2_START is the step at which the Cellar
starts, read off a run's transcript (the step of the "Level 1 cleared" message).
"""
import json
import sys
from collections import deque

W, H = 24, 18
DIRS = {"right": (1, 0), "left": (-1, 0), "up": (0, -1), "down": (0, 1)}


def load_rooms():
    with open("snake.json") as f:
        text = f.read()
    game = json.loads(text)
    rooms = []
    for r in game["rooms"]:
        apples = [(i["column"], i["row"]) for i in r["instances"] if i["object"] == "apple"]
        walls = {(i["column"], i["row"]) for i in r["instances"] if i["object"] == "wall"}
        rooms.append((apples, walls))
    return rooms


def bfs(start, goal, blocked, heading):
    prev = {start: None}
    queue = deque([start])
    while queue:
        cell = queue.popleft()
        if cell == goal:
            path = []
            while prev[cell] is not None:
                cell, d = prev[cell]
                path.append(d)
            return path[::-1]
        for name, (dx, dy) in DIRS.items():
            if cell == start and (dx, dy) == (-heading[0], -heading[1]):
                continue  # the snake cannot turn back on itself
            nxt = (cell[0] + dx, cell[1] + dy)
            if 0 <= nxt[0] < W and 1 <= nxt[1] < H and nxt not in blocked and nxt not in prev:
                prev[nxt] = (cell, name)
                queue.append(nxt)
    return None


def plan_room(apples, walls):
    head, body, heading, grow = (4, 9), [(3, 9), (2, 9)], (1, 0), 0
    moves = []
    apples = list(apples)
    while apples:
        best = None
        for a in apples:
            p = bfs(head, a, walls | set(body), heading)
            if p is not None and (best is None or len(p) < len(best[1])):
                best = (a, p)
        if best is None:
            sys.exit("no way to an apple")
        for name in best[1]:
            dx, dy = DIRS[name]
            if grow:
                body.append(body[-1])
                grow -= 1
            body = [head] + body[:-1]
            head = (head[0] + dx, head[1] + dy)
            heading = (dx, dy)
            moves.append(name)
            if head in apples:
                apples.remove(head)
                grow += 2
    return moves


def keys(moves, start, delay, lines):
    current = "right"
    for k, name in enumerate(moves, 1):
        if name != current:
            step = start + delay * k - 2
            lines.append("%d key_down %s" % (step, name))
            lines.append("%d key_up %s" % (step + 1, name))
            current = name
    return start + delay * len(moves)


if __name__ == "__main__":
    room2_start = int(sys.argv[1]) if len(sys.argv) > 1 else 285
    (a1, w1), (a2, w2) = load_rooms()
    lines = ["# Snake played well: made by plan.py"]
    end1 = keys(plan_room(a1, w1), 0, 4, lines)
    print("last apple of the Meadow eaten at step", end1)
    if room2_start is not None:
        end2 = keys(plan_room(a2, w2), room2_start, 3, lines)
        print("last apple of the Cellar eaten at step", end2)
    with open("plays/win/input.txt", "w") as f:
        f.write("\n".join(lines) + "\n")
