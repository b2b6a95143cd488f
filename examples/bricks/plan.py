#!/usr/bin/env python3
"""Plans the two recorded plays of Bricks: writes plays/win/input.txt and plays/lose/input.txt.

The game has no randomness, so a play is fixed by its input. This script follows the rules of
bricks.json step by step (the same phases in the same order as the player: alarms, step events,
motion, leaving the room, collisions with the solid bricks, meetings with the paddle), and
prints what the game will do, so that the transcript of a real run can be checked against it.

win:  the mouse moves the paddle. Whenever the ball is on its way down, the planner tries a
      row of places on the paddle for it to land on, plays each one on to the ball's next
      return, and keeps the one that breaks the most bricks.
lose: the arrow keys move the paddle a little: the first two balls are returned once each,
      and all three are missed.

Run from anywhere:
  python3 examples/bricks/plan.py win                      plans plays/win/input.txt
  python3 examples/bricks/plan.py lose                     writes plays/lose/input.txt
  python3 examples/bricks/plan.py check TRANSCRIPT INPUT   compares a run with the model
"""
import json
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 640, 480
PADDLE_Y = 448
SPEED = 30  # steps per second in both rooms
MOUSE_Y = 454
MOUSE_STEP = 24  # the most the planned mouse moves in one step


def rnd(v):
    """The player's rounding: to the nearest whole number, halves to the even one."""
    return round(v)


def map_setting(v, low, high):
    if v <= 0:
        return low
    if v >= 1:
        return high
    return rnd(v * (high - low) + low)


def load_rooms():
    with open(os.path.join(HERE, "bricks.json")) as f:
        game = json.load(f)
    rooms = []
    for room in game["rooms"]:
        bricks = []
        for inst in room["instances"]:
            kind = inst["object"]
            if kind in ("brick", "hardbrick", "bonusbrick"):
                bricks.append((kind, inst["column"] * 16, inst["row"] * 16))
        rooms.append(bricks)
    return rooms


ROOMS = load_rooms()


def new_brick(kind, x, y):
    if kind == "brick":
        colour = y // 16 - 4 * (y // 64)
        return [x, y, kind, 1, 40 - 10 * colour, True]
    if kind == "hardbrick":
        return [x, y, kind, 2, 50, True]
    return [x, y, kind, 1, 30, True]


def overlap(a, b):
    """a, b: boxes (left, right, top, bottom), inclusive whole pixels."""
    return not (b[1] < a[0] or a[1] < b[0] or b[3] < a[2] or a[3] < b[2])


class Ball:
    __slots__ = ("x", "y", "h", "v", "xp", "yp", "waiting", "alarm", "combo")

    def copy(self):
        b = Ball()
        for k in Ball.__slots__:
            setattr(b, k, getattr(self, k))
        return b

    def box(self):
        return (rnd(self.x), rnd(self.x + 7), rnd(self.y), rnd(self.y + 7))


class Capsule:
    __slots__ = ("x", "y", "xp", "yp", "h", "v")

    def copy(self):
        c = Capsule()
        for k in Capsule.__slots__:
            setattr(c, k, getattr(self, k))
        return c

    def box(self):
        return (rnd(self.x), rnd(self.x + 15), rnd(self.y), rnd(self.y + 7))


class Game:
    """The state of a game of Bricks between two steps."""

    def copy(self):
        """A copy to play on without changing this game; it keeps no log."""
        g = Game.__new__(Game)
        g.step, g.room, g.score, g.balls, g.spd = self.step, self.room, self.score, self.balls, self.spd
        g.px, g.pw, g.lastmx, g.palarm = self.px, self.pw, self.lastmx, self.palarm
        g.mousex, g.keys, g.over, g.won = self.mousex, set(self.keys), self.over, self.won
        g.bricks = [list(b) for b in self.bricks]
        # the instances made during the game, in the order of the instance list
        g.movers = [m.copy() for m in self.movers]
        g.events = None
        g.hits = self.hits
        g.nopaddle, g.returned = self.nopaddle, False
        return g

    def __init__(self):
        self.step = 0
        self.score = 0
        self.balls = 3
        self.mousex = 0
        self.keys = set()
        self.over = False
        self.won = False
        self.events = []  # what the player will hear: (step, kind, balance, pitch)
        self.hits = 0
        self.nopaddle = False  # the planner's look-ahead: the ball passes the paddle's line
        self.returned = False  # the paddle sent the ball back in the last step
        self.start_room(1)

    def log(self, *what):
        if self.events is not None:
            self.events.append((self.step,) + what)

    def start_room(self, n):
        self.room = n
        self.spd = 4 + n
        self.px, self.pw, self.lastmx, self.palarm = 288, 64, self.mousex, -1
        self.bricks = [new_brick(*b) for b in ROOMS[n - 1]]
        self.movers = []
        self.add_ball()

    def add_ball(self):
        b = Ball()
        b.x = self.px + self.pw / 2 - 4
        b.y = PADDLE_Y - 8
        b.h = b.v = 0
        b.xp, b.yp = b.x, b.y
        b.waiting, b.alarm, b.combo = True, SPEED, 0
        self.movers.append(b)

    def ball(self):
        for m in self.movers:
            if isinstance(m, Ball):
                return m
        return None

    def paddle_box(self):
        return (rnd(self.px), rnd(self.px + self.pw - 1), PADDLE_Y, PADDLE_Y + 11)

    def bricks_left(self):
        return sum(1 for b in self.bricks if b[5])

    def run_step(self):
        """One step of the game; afterwards self.step is its number."""
        self.step += 1
        self.returned = False
        # 1. alarms, in the order of the instance list: the paddle, then the balls
        if self.palarm >= 0:
            self.palarm -= 1
            if self.palarm == 0:
                self.pw = 64
                self.px += 16
        for m in self.movers:
            if isinstance(m, Ball) and m.alarm >= 0:
                m.alarm -= 1
                if m.alarm == 0:
                    m.waiting = False
                    off = 0.5 if m.x + 4 < WIDTH / 2 else -0.5
                    m.h = self.spd * 0.8 * off
                    m.v = -math.sqrt(self.spd * self.spd - m.h * m.h)
        # 4. step events: the controller, the paddle, the balls
        if self.bricks_left() == 0:
            self.score += 100 * self.room
            self.log("level", self.room)
            if self.room < len(ROOMS):
                self.start_room(self.room + 1)
            else:
                self.score += 200 * self.balls
                self.log("won", self.score)
                self.over = self.won = True
            return
        if self.mousex != self.lastmx:
            self.px = rnd(self.mousex - self.pw / 2)
            self.lastmx = self.mousex
        if "left" in self.keys:
            self.px -= 8
        if "right" in self.keys:
            self.px += 8
        self.px = max(16, min(WIDTH - 16 - self.pw, self.px))
        for m in self.movers:
            if not isinstance(m, Ball):
                continue
            if m.waiting:
                m.x = self.px + self.pw / 2 - 4
                m.y = PADDLE_Y - 8
                continue
            wall = False
            if m.x + m.h < 16:
                m.h = abs(m.h)
                wall = True
            if m.x + 8 + m.h > WIDTH - 16:
                m.h = -abs(m.h)
                wall = True
            if m.y + m.v < 48:
                m.v = abs(m.v)
                wall = True
            if wall:
                self.log("wall", map_setting((m.x + 4) / WIDTH, -10000, 10000))
        # 5. motion
        for m in self.movers:
            m.xp, m.yp = m.x, m.y
            m.x, m.y = m.x + m.h, m.y + m.v
        # 6. leaving the room
        for m in list(self.movers):
            if isinstance(m, Ball):
                if m.y > HEIGHT:
                    self.balls -= 1
                    self.log("lost", map_setting((m.x + 4) / WIDTH, -10000, 10000))
                    if self.balls > 0:
                        self.add_ball()
                        self.movers.remove(m)
                    else:
                        self.log("over", self.score)
                        self.over = True
                        return
            elif m.y > HEIGHT:
                self.movers.remove(m)
        # 7. collisions with the solid bricks: each ball with the first brick in list order
        found = False
        for m in self.movers:
            live = [b for b in self.bricks if b[5]]
            box = m.box()
            hit = next((b for b in live if overlap(box, (b[0], b[0] + 31, b[1], b[1] + 15))), None)
            if hit is None:
                continue
            found = True
            if not isinstance(m, Ball):
                continue  # a capsule has no event for bricks: it goes on falling
            m.x, m.y = m.xp, m.yp
            bx, by = hit[0], hit[1]
            if rnd(m.y + 7) < by or rnd(m.y) > by + 15:
                m.v = -abs(m.v) if m.y < by else abs(m.v)
            else:
                m.h = -abs(m.h) if m.x < bx else abs(m.h)
            hit[3] -= 1
            self.hits += 1
            if hit[3] <= 0:
                hit[5] = False
                self.score += hit[4]
                if hit[2] == "bonusbrick":
                    self.add_capsule(bx + 8, by + 4)
            m.combo += 1
            self.log("brick", map_setting((m.x + 4) / WIDTH, -10000, 10000),
                     map_setting((22050 * math.pow(2, min(m.combo - 1, 24) / 12) - 100) / 99900, 100, 100000))
            m.x, m.y = m.x + m.h, m.y + m.v
        if found:
            # an instance still touching a brick it has an event for goes back where it was
            for m in self.movers:
                if isinstance(m, Ball):
                    box = m.box()
                    if any(b[5] and overlap(box, (b[0], b[0] + 31, b[1], b[1] + 15)) for b in self.bricks):
                        m.x, m.y = m.xp, m.yp
        # 8. meetings with the paddle, in the order of the instance list
        for m in list(self.movers):
            if m not in self.movers or self.nopaddle:
                continue
            if not overlap(m.box(), self.paddle_box()):
                continue
            if isinstance(m, Ball):
                if m.v > 0 and rnd(m.yp + 7) < PADDLE_Y:
                    off = (m.x + 4 - self.px - self.pw / 2) / (self.pw / 2)
                    off = max(-1, min(1, off))
                    m.h = self.spd * 0.8 * off
                    m.v = -math.sqrt(self.spd * self.spd - m.h * m.h)
                    m.y = PADDLE_Y - 8
                    m.combo = 0
                    self.returned = True
                    self.log("paddle", map_setting((m.x + 4) / WIDTH, -10000, 10000))
            else:
                if self.pw == 64:
                    self.px -= 16
                self.pw = 96
                self.palarm = 10 * SPEED
                self.log("power")
                self.movers.remove(m)

    def add_capsule(self, x, y):
        c = Capsule()
        c.x, c.y = x, y
        c.xp, c.yp = x, y
        c.h = math.cos(270 * (math.pi / 180)) * 3
        c.v = -math.sin(270 * (math.pi / 180)) * 3
        self.movers.append(c)


# Planning

def until_return(game, path, limit=2000):
    """Plays `game` on with the mouse following `path` (a function of the step) until the ball
    is next on its way up from the paddle, is lost, or the game or the room ends. Returns why."""
    room = game.room
    while not game.over and limit > 0:
        limit -= 1
        m = path(game.step + 1)
        if m is not None:
            game.mousex = m
        before = game.balls
        game.run_step()
        if game.over or game.room != room:
            return "end"
        if game.balls != before:
            return "lost"
        if game.returned:
            return "paddle"
    return "limit"


def arrival(game):
    """Where the ball first reaches the paddle's line if the paddle is not there: (the step,
    the ball's x), or None when the room ends first; and the capsules that reach the paddle's
    line before it: a list of (the step, the capsule's x)."""
    g = game.copy()
    g.nopaddle = True
    capsules = {}
    for _ in range(3000):
        g.run_step()
        if g.over or g.room != game.room:
            return None, []
        for m in g.movers:
            if isinstance(m, Capsule) and rnd(m.y + 7) >= PADDLE_Y and id(m) not in capsules:
                capsules[id(m)] = (g.step, m.x)
        b = g.ball()
        if b is None or b.waiting:
            return None, []
        if b.v > 0 and rnd(b.y + 7) >= PADDLE_Y:
            return (g.step, b.x), sorted(capsules.values())
    return None, []


def mouse_path(start_step, start_x, legs):
    """The mouse from start_x at start_step, through legs: a list of (x, the step until which
    it stays there once reached). It moves at most MOUSE_STEP pixels a step."""
    def at(step):
        if step < start_step:
            return None
        x, s = start_x, start_step
        for target, hold in legs:
            while x != target:
                if s == step:
                    return x
                d = target - x
                x += max(-MOUSE_STEP, min(MOUSE_STEP, d))
                s += 1
            if step <= max(s, hold):
                return x
            s = max(s, hold) + 1
        return x
    return at


def try_path(game, path):
    """Plays a candidate on, the mouse following path until the ball's return and then still.
    Returns (bricks hit after the return, capsule caught) or None when the ball is not
    returned."""
    g = game.copy()
    g.events = []
    why = until_return(g, path)
    caught = any(e[1] == "power" for e in g.events)
    if why == "end":
        return (1000, caught)  # the room is cleared: nothing is better
    if why != "paddle":
        return None
    hits = g.hits
    until_return(g, lambda s: None)
    # a ball lost after that return counts nothing here: the next decision moves the paddle
    return (g.hits - hits, caught)


def plan_win():
    game = Game()
    inputs = []
    game.mousex = 320
    inputs.append((1, 320))
    volleys = 0
    while not game.over:
        if game.ball().waiting:
            game.run_step()  # let the ball start on its own
            continue
        (where, capsules) = arrival(game)
        if where is None:
            until_return(game, lambda s: None)  # the last brick breaks before the ball is back
            continue
        bx = where[1]
        plans = [[]]
        for tc, cx in capsules[:1]:
            # catch the capsule on the way: the paddle's middle under it until it has passed
            plans.append([(rnd(cx + 8), tc + 3)])
        best = None
        for legs in plans:
            pw = 96 if legs or game.pw > 64 else 64
            for k in range(-20, 21):
                target = rnd(bx + 4 - k / 21 * pw / 2)
                path = mouse_path(game.step + 1, game.mousex, legs + [(target, 0)])
                value = try_path(game, path)
                if value is None:
                    continue
                # the most bricks (a capsule caught counts as two), then the ball landing
                # a little right of the paddle's middle
                key = (value[0] + 2 * value[1], -abs(k - 3))
                if best is None or key > best[0]:
                    best = (key, path)
        if best is None:
            sys.exit("no way to return the ball at step %d" % game.step)
        path = best[1]
        why = until_return(game, path)
        # record the mouse moves that were played
        last = inputs[-1][1]
        for s in range(inputs[-1][0] + 1, game.step + 1):
            m = path(s)
            if m is not None and m != last:
                inputs.append((s, m))
                last = m
        volleys += 1
        if why == "lost":
            sys.exit("lost a ball at step %d" % game.step)
    return game, inputs, volleys


# The lose play, chosen by hand and checked with the model: Left held from step 100 to 127
# takes the paddle under the first ball's return (step 144), Right held from 360 to 389 under
# the second ball's (step 403); after that the paddle stays where it is.
LOSE_KEYS = [(100, "key_down", "left"), (128, "key_up", "left"),
             (360, "key_down", "right"), (390, "key_up", "right")]


def write_input(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def replay(input_path, steps=100000):
    """Plays an input file through the model, returning the game with its log."""
    moves, keys = {}, {}
    with open(input_path) as f:
        for line in f:
            parts = line.split()
            if not parts or parts[0].startswith("#"):
                continue
            s = int(parts[0])
            if parts[1] == "mouse_move":
                moves[s] = int(parts[2])
            elif parts[1] in ("key_down", "key_up"):
                keys.setdefault(s, []).append((parts[1], parts[2]))
    game = Game()
    while not game.over and game.step < steps:
        s = game.step + 1
        if s in moves:
            game.mousex = moves[s]
        for kind, key in keys.get(s, []):
            if kind == "key_down":
                game.keys.add(key)
            else:
                game.keys.discard(key)
        game.run_step()
    return game


def transcript_events(path):
    """The sounds of a `qvf run` transcript, in the model's terms."""
    events, settings = [], {}
    with open(path) as f:
        for line in f:
            d = json.loads(line)
            if d["kind"] != "sound":
                continue
            if d["action"] in ("pan", "frequency", "volume"):
                settings[(d["sound"], d["action"])] = d["value"]
            elif d["action"] == "play":
                n, s = d["sound"], d["step"]
                if n == 1:
                    kind = "wall" if settings[(1, "volume")] < 0 else "paddle"
                    events.append((s, kind, settings[(1, "pan")]))
                elif n == 2:
                    events.append((s, "brick", settings[(2, "pan")], settings[(2, "frequency")]))
                elif n == 3:
                    events.append((s, "lost", settings[(3, "pan")]))
                elif n == 4:
                    events.append((s, "power"))
                elif n == 5:
                    events.append((s, "level"))
    return events


def check(transcript, input_path):
    """Compares the sounds of a real run with the model's: every bounce, brick and lost ball
    at the same step, with the same balance (the ball's x) and pitch."""
    game = replay(input_path)
    model = [e[:2] if e[1] == "level" else e for e in game.events if e[1] not in ("won", "over")]
    real = transcript_events(transcript)
    for i, (a, b) in enumerate(zip(real, model)):
        if a != b:
            print("first difference, event %d: the run %s, the model %s" % (i, a, b))
            return False
    if len(real) != len(model):
        print("the run has %d sound events, the model %d" % (len(real), len(model)))
        return False
    print("the run and the model agree on all %d sound events" % len(real))
    return True


def report(game):
    print("the game ends at step %d in room %d with score %d, %d balls left, %s"
          % (game.step, game.room, game.score, game.balls, "won" if game.won else "lost"))


if __name__ == "__main__":
    which = sys.argv[1] if len(sys.argv) > 1 else "win"
    win_input = os.path.join(HERE, "plays", "win", "input.txt")
    lose_input = os.path.join(HERE, "plays", "lose", "input.txt")
    if which == "win":
        game, inputs, volleys = plan_win()
        lines = ["# Bricks won with the mouse: made by plan.py (%d returns of the ball)" % volleys]
        lines += ["%d mouse_move %d %d" % (s, x, MOUSE_Y) for s, x in inputs]
        write_input(win_input, lines)
        report(replay(win_input))
    elif which == "lose":
        lines = ["# Bricks lost with the arrow keys: made by plan.py",
                 "# the first two balls are returned once each, then the paddle stays still"]
        lines += ["%d %s %s" % k for k in LOSE_KEYS]
        write_input(lose_input, lines)
        report(replay(lose_input))
    elif which == "check" and len(sys.argv) == 4:
        sys.exit(0 if check(sys.argv[2], sys.argv[3]) else 1)
    else:
        sys.exit("usage: plan.py win | lose | check TRANSCRIPT INPUT")
