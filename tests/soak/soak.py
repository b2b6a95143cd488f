#!/usr/bin/env python3
"""Soak the example games with random keys, mouse and answers under the sanitizer build.

Each game is played with `qvf run` from seed --seed on, one seed after another, until its runs
add up to --steps steps; every run must exit with 0 and leave nothing from the sanitizers on
standard error. Transcript lines of kind "error" are counted and shown. To see whether memory
grows with the steps, the longest play a game allows (its longest random run, or its recorded
win play when that lasts longer) is played again cut at 1,000 steps and the peaks are compared,
both as the soak runs and with the address sanitizer's quarantine of freed memory turned off.

    python3 tests/soak/soak.py [--seed S] [--steps N] [--build DIR] [GAME...]
"""
import argparse, json, os, random, shutil, subprocess, sys, tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The keys each game reads, and its window (the first room, or its view) in pixels.
GAMES = {
    "catch":  (["left", "right"], 640, 480),
    "snake":  (["left", "right", "up", "down"], 384, 288),
    "bricks": (["left", "right"], 640, 480),
    "maze":   (["left", "right", "up", "down"], 640, 480),
    "climb":  (["left", "right", "up", "space"], 960, 704),
}
OTHER_KEYS = ["space", "enter", "shift", "control", "tab", "a", "z", "digit1", "numpad5", "f1"]
SANITIZER_SIGNS = ["ERROR: AddressSanitizer", "runtime error:", "LeakSanitizer"]
ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:abort_on_error=1",
           UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1",
           LSAN_OPTIONS="suppressions=" + os.path.join(ROOT, "tests", "lsan.supp"))


def random_input(rng, game, steps):
    """Key presses held 1-45 steps (mostly the game's own keys), mouse moves and clicks."""
    keys, width, height = GAMES[game]
    events = []  # (step, line)
    for step in range(1, steps + 1):
        if rng.random() < 0.15:
            key = rng.choice(keys) if rng.random() < 0.8 else rng.choice(OTHER_KEYS)
            events += [(step, "key_down " + key), (step + rng.randint(1, 45), "key_up " + key)]
        if rng.random() < 0.05:
            events.append((step, "mouse_move %d %d" % (rng.randrange(width), rng.randrange(height))))
        if rng.random() < 0.02:
            button, x, y = rng.choice(["left", "right", "middle"]), rng.randrange(width), rng.randrange(height)
            events += [(step, "mouse_down %s %d %d" % (button, x, y)),
                       (step + rng.randint(1, 30), "mouse_up %s %d %d" % (button, x, y))]
    events.sort(key=lambda e: e[0])  # stable: a press stays before its release
    return "".join("%d %s\n" % e for e in events)


def random_answers(seed, count=60):
    rng = random.Random("answers %d" % seed)  # apart from the input's, so a longer input keeps them
    choices = ["ok", "yes", "no", "ignore", "text NAME"]
    lines = [rng.choice(choices) for _ in range(count)]
    return "".join((l.replace("NAME", "".join(rng.choice("abcdefgh XYZ") for _ in range(rng.randint(1, 12))).strip() or "x")
                    if l.startswith("text") else l) + "\n" for l in lines)


def play(build, game, seed, steps, input_text, answers_text, quarantine=True):
    """One run in a fresh copy of the game; returns its steps, peak memory (MB) and findings."""
    with tempfile.TemporaryDirectory(prefix="soak-" + game + "-") as tmp:
        shutil.copy(os.path.join(build, game + ".qvf"), tmp)
        shutil.copytree(os.path.join(build, game + "_data"), os.path.join(tmp, game + "_data"))
        paths = {name: os.path.join(tmp, name) for name in ("input.txt", "answers.txt", "transcript", "stderr")}
        with open(paths["input.txt"], "w") as f:
            f.write(input_text)
        with open(paths["answers.txt"], "w") as f:
            f.write(answers_text)
        command = [os.path.join(os.path.dirname(build), "bin", "qvf"), "run", os.path.join(tmp, game + ".qvf"),
                   "--seed", str(seed), "--steps", str(steps), "--input", paths["input.txt"],
                   "--answers", paths["answers.txt"], "--transcript", paths["transcript"], "--timeout", "3600"]
        with open(paths["stderr"], "w") as err:
            env = ENV if quarantine else dict(ENV, ASAN_OPTIONS=ENV["ASAN_OPTIONS"] + ":quarantine_size_mb=0")
            child = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=err)
            _, status, usage = os.wait4(child.pid, 0)
            child.returncode = os.waitstatus_to_exitcode(status)
        stderr = open(paths["stderr"], errors="replace").read()
        text = open(paths["transcript"], encoding="utf-8", errors="replace").read()
    problems, lines = [], []
    for line in text.splitlines():
        try:
            lines.append(json.loads(line))
        except ValueError:
            problems.append("transcript line that is not JSON: " + line[:200])
    if child.returncode != 0:
        problems.append("exit status %d" % child.returncode)
    problems += ["sanitizer: " + s for s in SANITIZER_SIGNS if s in stderr]
    if problems and stderr.strip():
        problems.append("stderr: " + stderr.strip()[-2000:])
    errors = [l["text"] for l in lines if l["kind"] == "error"]
    last = lines[-1]["step"] if lines else 0
    return {"steps": min(last, steps), "peak": usage.ru_maxrss / 1024, "problems": problems, "errors": errors}


def soak(build, game, first_seed, total):
    runs, done, seed, longest, findings, errors, sanitizer = 0, 0, first_seed, None, [], {}, 0
    while done < total:
        rng = random.Random(seed)
        steps = min(total - done, 20000) if total - done > 1000 else 1000
        result = play(build, game, seed, steps, random_input(rng, game, steps), random_answers(seed))
        runs, done = runs + 1, done + result["steps"]
        sanitizer += any(p.startswith("sanitizer") for p in result["problems"])
        findings += ["seed %d: %s" % (seed, p) for p in result["problems"]]
        for text in result["errors"]:
            errors.setdefault(text, []).append(seed)
        if longest is None or result["steps"] > longest[1]:
            longest = (seed, result["steps"])
        seed += 1
    # The longest play: the longest random run, or the game's recorded win when it lasts longer.
    rng = random.Random(longest[0])
    long_play = (longest[0], 100000, random_input(rng, game, 100000), random_answers(longest[0]))
    win = os.path.join(ROOT, "examples", game, "plays", "win")
    if os.path.isfile(os.path.join(win, "play.txt")):
        play_txt = dict(l.split()[:2] for l in open(os.path.join(win, "play.txt")) if l.strip() and not l.startswith("#"))
        if int(play_txt["steps"]) > longest[1]:
            long_play = (int(play_txt["seed"]), int(play_txt["steps"]),
                         open(os.path.join(win, "input.txt")).read(), open(os.path.join(win, "answers.txt")).read())
    # Played with and without the address sanitizer's quarantine, which holds on to freed memory
    # (256 MB by default) and so grows the peak with the steps whatever the player does.
    peaks, long_steps = [], 0
    for quarantine in (True, False):
        long_run = play(build, game, *long_play, quarantine=quarantine)
        short_run = play(build, game, long_play[0], 1000, *long_play[2:], quarantine=quarantine)
        peaks += [short_run["peak"], long_run["peak"]]
        long_steps = max(long_steps, long_run["steps"])
        for run in (long_run, short_run):
            sanitizer += any(p.startswith("sanitizer") for p in run["problems"])
            findings += ["longest play (seed %d): %s" % (long_play[0], p) for p in run["problems"]]
            for text in run["errors"]:
                errors.setdefault(text, []).append(long_play[0])
    return {"game": game, "runs": runs, "steps": done, "longest": long_steps, "peaks": peaks,
            "sanitizer": sanitizer, "findings": findings, "errors": errors}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", type=int, default=1, help="the first seed (default 1)")
    parser.add_argument("--steps", type=int, default=100000, help="steps of each game in all (default 100000)")
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "test", "examples"))
    parser.add_argument("games", nargs="*", default=list(GAMES))
    args = parser.parse_args()
    rows = []
    for game in args.games:
        if not os.path.isfile(os.path.join(args.build, game + ".qvf")):
            print("%s: not built, skipped" % game, flush=True)
            continue
        row = soak(args.build, game, args.seed, args.steps)
        rows.append(row)
        print("%s: %d runs, %d steps" % (game, row["runs"], row["steps"]), flush=True)
        for finding in row["findings"]:
            print("  " + finding)
        for text, seeds in row["errors"].items():
            print("  error in the transcript, %d times (seeds %s): %s" % (len(seeds), seeds[:5], text))
    print("\n| game | runs | steps in all | longest run (steps) | peak MB, 1,000 steps / longest run |"
          " the same, quarantine off | sanitizer reports |\n|---|---|---|---|---|---|---|")
    for r in rows:
        print("| %s | %d | %s | %s | %.0f / %.0f | %.0f / %.0f | %d |" % (r["game"], r["runs"], format(r["steps"], ","),
              format(r["longest"], ","), *r["peaks"], r["sanitizer"]))
    return 1 if any(r["findings"] or r["errors"] for r in rows) else 0


if __name__ == "__main__":
    sys.exit(main())
