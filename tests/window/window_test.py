#!/usr/bin/env python3
"""Plays test games in velkaro's real window on a virtual display and checks from outside.

Run under xvfb-run (a 1024 x 768 screen, -noreset) by ctest:
    window_test.py VELKARO QVF GAMES_DIR EXAMPLES_DIR
Keys and clicks go through xdotool, pictures come from ImageMagick's import (by its full path:
another program called import may come first on the PATH), and the window's close button is
pressed the way a window manager presses it, with a WM_DELETE_WINDOW message.
"""

import ctypes
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

VELKARO = ""
QVF = ""
GAMES = ""
EXAMPLES = ""
IMPORT = "/usr/bin/import"
CONVERT = "/usr/bin/convert"


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True).stdout


def wait_for(what, condition, timeout=10.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def windows_named(name):
    return [int(w) for w in xdotool("search", "--onlyvisible", "--name", name).split()]


def geometry(window):
    out = xdotool("getwindowgeometry", "--shell", window)
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def pixel(window, x, y):
    """The colour (r, g, b) at (x, y) of the window ('root' for the whole screen)."""
    with tempfile.NamedTemporaryFile(suffix=".png") as shot:
        subprocess.run([IMPORT, "-window", str(window), shot.name], check=True)
        fx = ",".join("%%[fx:int(255*p{%d,%d}.%s+0.5)]" % (x, y, c) for c in "rgb")
        out = subprocess.run([CONVERT, shot.name, "-format", fx, "info:"], check=True,
                             capture_output=True, text=True).stdout
    return tuple(int(v) for v in out.split(","))


def close_window(window):
    """Presses the window's close button, as a window manager would."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(None)
    event = Event()
    event.client.type = 33  # ClientMessage
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def answer_box(title, key):
    """Presses `key` in the message box called `title`, once it is there."""
    box = wait_for("the box " + title, lambda: windows_named("^" + title + "$"))[-1]
    x, y, w, h = geometry(box)
    # Without a window manager the keyboard follows the pointer.
    xdotool("mousemove", x + w // 2, y + h // 2)
    time.sleep(0.2)
    xdotool("key", key)


class WindowGame(unittest.TestCase):
    """One game played by velkaro in a folder of its own, with its data folder."""

    game = ""
    # Whether the player starts with the test; a test that starts it itself calls start().
    starts_at_once = True

    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)
        self.data = os.path.join(self.folder, self.game + "_data")
        os.mkdir(self.data)
        self.game_file = self.place_game()
        self.prepare_media()
        self.errors = open(os.path.join(self.folder, "stderr.txt"), "w+")
        self.addCleanup(self.errors.close)
        self.recording = os.path.join(self.folder, "recording")
        # The player's own folders (settings, saves its game's folder cannot take) are the
        # test's, never those of whoever runs the tests.
        self.home = os.path.join(self.folder, "home")
        self.player = None
        if self.starts_at_once:
            self.start()

    def start(self, *options, environment=None, before=()):
        """Starts the player on the game, with these options after options(), under the
        command `before` when given."""
        self.player = subprocess.Popen([*before, VELKARO, *self.options(), *options,
                                        self.game_file], stderr=self.errors,
                                       env=environment or self.environment())
        return self

    def environment(self):
        """The player's environment."""
        return dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                    XDG_DATA_HOME=os.path.join(self.home, "data"))

    def options(self):
        """The player's options before the game."""
        return []

    def place_game(self):
        """Puts the game into the test's folder; answers the file to play."""
        shutil.copy(os.path.join(GAMES, self.game + ".qvf"), self.folder)
        return os.path.join(self.folder, self.game + ".qvf")

    def replay(self):
        """Plays the recording again headless; answers what qvf said, once it said the replay
        ended as recorded."""
        done = subprocess.run([QVF, "run", os.path.join(self.folder, self.game + ".qvf"),
                               "--replay", self.recording], capture_output=True, text=True,
                              timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("the replay ended as", done.stderr)
        return done

    def prepare_media(self):
        """Files the game finds in its data folder from the start."""

    def tearDown(self):
        if self.player is not None and self.player.poll() is None:
            self.player.kill()
            self.player.wait()

    def said(self):
        """What the player wrote to its standard error so far."""
        self.errors.flush()
        with open(self.errors.name) as f:
            return f.read()

    def wait_for(self, what, condition, timeout=10.0):
        try:
            return wait_for(what, condition, timeout)
        except AssertionError as failure:
            raise AssertionError("%s; velkaro said: %s" % (failure, self.said())) from None

    def window(self, caption):
        def shown():
            if self.player.poll() is not None:
                self.fail("velkaro ended with %d: %s" % (self.player.returncode, self.said()))
            return windows_named(caption)

        window = self.wait_for("the window " + caption, shown)[0]
        x, y, w, h = geometry(window)
        xdotool("mousemove", x + w - 2, y + h - 2)
        return window

    def ends(self, timeout=10.0):
        """Waits for the player to end; fails with what it said unless it ended with 0."""
        try:
            status = self.player.wait(timeout)
        except subprocess.TimeoutExpired:
            self.fail("velkaro did not end: " + self.said())
        if status != 0:
            self.fail("velkaro ended with %d: %s" % (status, self.said()))
        return status

    def saved_values(self):
        """The values the game saved: key, kind (0 a number, 1 a text) and value a line."""
        with open(os.path.join(self.data, "iodata"), encoding="cp1252") as f:
            lines = f.read().splitlines()
        values = {}
        for line in lines[2:2 + int(lines[1])]:
            key, kind, value = line.split(" ", 2)
            values[int(key)] = value if kind == "1" else float(value)
        return values


GREEN = (0, 128, 64)  # the room's colour
BLUE = (0, 0, 255)
RED = (255, 0, 0)


class PlayingInAWindow(WindowGame):
    """Played with the recorder on: the replay must end with the same saved values."""

    game = "win_play"

    def options(self):
        return ["--record", self.recording]

    def test_the_window_the_keys_the_mouse_a_question_and_the_close(self):
        window = self.window("arena")
        self.assertEqual(geometry(window)[2:], (320, 240))
        self.assertEqual(xdotool("getwindowname", window), " arena   score: 0\n")
        self.assertEqual(pixel(window, 5, 5), GREEN)
        self.assertEqual(pixel(window, 40, 40), BLUE, "the box at (32, 32)")

        xdotool("key", "Right")
        self.wait_for("the box to move", lambda: pixel(window, 56, 40) == BLUE)
        self.assertEqual(pixel(window, 40, 40), GREEN)

        # F4: the whole screen, the picture scaled by 3.2; and back.
        xdotool("key", "F4")
        self.wait_for("full screen", lambda: geometry(window)[2:] == (1024, 768))
        self.wait_for("the scaled picture",
                      lambda: pixel("root", 56 * 32 // 10, 40 * 32 // 10) == BLUE)
        self.assertEqual(pixel("root", 1020, 760), GREEN)
        xdotool("key", "F4")
        self.wait_for("the window again", lambda: geometry(window)[2:] == (320, 240))

        x, y, _, _ = geometry(window)
        xdotool("mousemove", x + 56, y + 40)
        xdotool("click", 1)
        self.wait_for("the room to turn red", lambda: pixel(window, 5, 5) == RED)

        xdotool("key", "q")
        answer_box("win_play", "Return")  # Yes, the first button
        self.wait_for("the room to turn blue", lambda: pixel(window, 5, 5) == BLUE)

        # The input box takes the keyboard; its default is selected, so typing replaces it. (The
        # code page of typed text is the unit tests' to check: xdotool types a character outside
        # the keyboard's map by remapping a key for a moment, which a busy machine can miss.)
        shown = len(windows_named(""))
        xdotool("key", "n")
        self.wait_for("the input box", lambda: len(windows_named("")) > shown)
        time.sleep(0.3)
        xdotool("type", "Zoe")
        xdotool("key", "Return")

        close_window(window)
        self.assertEqual(self.ends(), 0)
        self.assertEqual(self.saved_values(), {1: 48.0, 2: 1.0, 3: 1.0, 4: "Zoe"})

        # The question and the input box were answered; the replay, which compares its saved
        # values with the recording's byte for byte, types the same name.
        with open(os.path.join(self.recording, "answers.txt")) as f:
            self.assertEqual([line for line in f.read().splitlines() if line[:1] != "#"],
                             ["yes", "text Zoe"])
        self.replay()
        with open(os.path.join(self.recording, "end", "iodata"), encoding="cp1252") as f:
            self.assertIn("Zoe", f.read())


def write_bmp(path, width, height, rgb):
    """A 24-bit picture of one colour."""
    row = bytes((rgb[2], rgb[1], rgb[0])) * width
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * height
    header = b"BM" + (54 + len(pixels)).to_bytes(4, "little") + b"\0\0\0\0" + \
        (54).to_bytes(4, "little")
    info = (40).to_bytes(4, "little") + width.to_bytes(4, "little") + \
        height.to_bytes(4, "little") + (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + \
        bytes(24)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def screen_colours(x1, y1, x2, y2):
    """The distinct colours of a box of the screen."""
    with tempfile.NamedTemporaryFile(suffix=".txt") as dump:
        box = "%dx%d+%d+%d" % (x2 - x1, y2 - y1, x1, y1)
        subprocess.run([IMPORT, "-window", "root", "-crop", box, "-depth", "8", "txt:" + dump.name],
                       check=True)
        with open(dump.name) as f:
            lines = f.read().splitlines()[1:]
    colours = set()
    for line in lines:
        value = line.split("#", 1)[1][:6]
        colours.add((int(value[0:2], 16), int(value[2:4], 16), int(value[4:6], 16)))
    return colours


class TheShellsWindows(WindowGame):
    """The picture, text and video screens, the high-score table and the game information."""

    game = "win_shell"

    def prepare_media(self):
        write_bmp(os.path.join(self.data, "pic.bmp"), 80, 60, (0, 200, 0))
        with open(os.path.join(self.data, "note.rtf"), "w") as f:
            f.write(r"{\rtf1\ansi{\fonttbl{\f0 Arial;}}{\colortbl;\red255\green0\blue0;}"
                    r"\f0\fs40 Plain {\b bold} {\cf1 RED RED RED}\par}")
        with open(os.path.join(self.data, "help.rtf"), "w") as f:
            f.write(r"{\rtf1\ansi{\fonttbl{\f0 Arial;}}{\colortbl;\red255\green0\blue0;}"
                    r"\f0\fs40 How to play: {\b press keys} {\cf1 RED RED RED}\par}")
        if shutil.which("ffmpeg") is None:
            self.skipTest("no ffmpeg to make a video")
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i",
                        "color=c=blue:s=64x48:d=4", "-pix_fmt", "yuv420p",
                        os.path.join(self.data, "clip.mp4")], check=True)

    def test_each_window_shows_and_closes(self):
        window = self.window("shell")
        centre = (512, 384)

        xdotool("key", "i")
        self.wait_for("the picture", lambda: pixel("root", *centre) == (0, 200, 0))
        xdotool("key", "space")
        self.wait_for("the picture to close", lambda: pixel("root", *centre) != (0, 200, 0))

        xdotool("key", "t")
        # A 640 x 480 window on the text's background colour (0x00FFFF: yellow), red words in it.
        corner = (512 - 300, 384 + 200)
        self.wait_for("the text screen", lambda: pixel("root", *corner) == (255, 255, 0))
        self.assertIn((255, 0, 0), screen_colours(192, 144, 832, 624))
        xdotool("key", "space")
        self.wait_for("the text to close", lambda: pixel("root", *corner) != (255, 255, 0))

        xdotool("key", "v")
        self.wait_for("the video", lambda: pixel("root", *centre)[2] > 200)
        # Not looping: it closes at its end by itself.
        self.wait_for("the video to end", lambda: pixel("root", *centre)[2] < 100, timeout=15)

        xdotool("key", "h")
        time.sleep(1.0)
        xdotool("type", "Ada")
        xdotool("key", "Return")

        xdotool("key", "F1")
        self.wait_for("the information",
                      lambda: (255, 0, 0) in screen_colours(0, 0, 1024, 768))
        xdotool("key", "Escape")

        close_window(window)
        self.assertEqual(self.ends(), 0)
        self.assertEqual(self.saved_values(), {1: 1.0, 2: 1.0, 3: 1.0, 4: "Ada"})
        with open(os.path.join(self.data, "scores"), "rb") as f:
            self.assertEqual(f.read().split(b"\r\n")[0], b"500 Ada")


class TheCommandLine(unittest.TestCase):
    """--help and --version answer at once, as Linux programs do, without a window."""

    def test_help_and_version(self):
        for option, first in (("--help", "Usage: velkaro [OPTIONS] [GAME.qvf | GAME.json]"),
                              ("--version", "velkaro ")):
            done = subprocess.run([VELKARO, option], capture_output=True, text=True, timeout=10)
            self.assertEqual(done.returncode, 0, option)
            self.assertTrue(done.stdout.splitlines()[0].startswith(first), done.stdout)
            self.assertEqual(done.stderr, "", option)


class ADescriptionPlaysAtOnce(WindowGame):
    """A game author plays the description being written, without packing it first."""

    game = "fresh"

    def place_game(self):
        description = os.path.join(self.folder, "fresh.json")
        with open(description, "w") as f:
            f.write('{"objects": [{"name": "saver", "events": {"creation": [{"actions": '
                    '[{"id": 811, "arguments": ["write(1, 7)"]}]}]}}], "rooms": [{"name": '
                    '"fresh", "background_colour": "0x0000FF", "width": 10, "height": 8, '
                    '"cell_size": 16, "instances": [{"column": 0, "row": 0, "object": '
                    '"saver"}]}]}')
        return description

    def test_the_description_plays_with_its_data_folder(self):
        window = self.window("fresh")
        self.wait_for("the room", lambda: pixel(window, 5, 5) == RED)
        close_window(window)
        self.ends()
        self.assertEqual(self.saved_values(), {1: 7.0}, "the data folder beside the description")


class TheExampleCatch(WindowGame):
    """The game ./run.sh opens: the arrow keys move the basket, as its information says."""

    game = "catch"
    BACKGROUND = (16, 32, 64)  # the first room's colour, 0x402010
    ROW = 14 * 32 + 8  # through the middle of the basket

    def place_game(self):
        shutil.copy(os.path.join(EXAMPLES, "catch.qvf"), self.folder)
        shutil.copytree(os.path.join(EXAMPLES, "catch_data"), self.data, dirs_exist_ok=True)
        return os.path.join(self.folder, "catch.qvf")

    def options(self):
        return ["--record", self.recording]

    def basket_left(self, window):
        """The leftmost pixel of the basket's row that is not the room's colour."""
        with tempfile.NamedTemporaryFile(suffix=".txt") as dump:
            subprocess.run([IMPORT, "-window", str(window), "-crop", "640x1+0+%d" % self.ROW,
                            "-depth", "8", "txt:" + dump.name], check=True)
            with open(dump.name) as f:
                for line in f.read().splitlines()[1:]:
                    where, colour = line.split(":", 1)[0], line.split("#", 1)[1][:6]
                    if tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4)) != self.BACKGROUND:
                        return int(where.split(",")[0])
        return None

    def test_the_right_arrow_moves_the_basket_and_the_play_replays(self):
        window = self.window("Level 1")
        start = self.wait_for("the basket", lambda: self.basket_left(window))
        self.assertLess(abs(start - 288), 8, "the basket starts at column 9")
        xdotool("keydown", "Right")
        time.sleep(0.5)
        xdotool("keyup", "Right")
        moved = self.wait_for("the basket to move right",
                              lambda: (self.basket_left(window) or 0) > start + 40 and
                              self.basket_left(window))
        time.sleep(0.3)
        self.assertEqual(self.basket_left(window), moved, "it stops once the key is let go")
        xdotool("keydown", "Left")
        time.sleep(0.3)
        xdotool("keyup", "Left")
        self.wait_for("the basket to move left", lambda: self.basket_left(window) < moved)
        close_window(window)
        self.assertEqual(self.ends(), 0)
        self.assertIn("the play is recorded in", self.said())
        self.replay()


class CodeThatNeverEnds(WindowGame):
    """After half a second the game's code loops for ever: the player can still end it."""

    game = "win_loop"

    def stuck(self):
        window = self.window("stuck")
        time.sleep(1.0)
        return window

    def test_the_quit_key_ends_it(self):
        self.stuck()
        xdotool("key", "Escape")
        answer_box("win_loop", "Return")  # the report of the code that was stopped
        self.assertEqual(self.ends(), 0)
        self.assertEqual(self.saved_values(), {1: 16.0}, "the end of the game ran")

    def test_closing_the_window_ends_it(self):
        close_window(self.stuck())
        answer_box("win_loop", "Return")
        self.assertEqual(self.ends(), 0)
        self.assertEqual(self.saved_values(), {1: 16.0})


SPRITES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "games", "sprites")


def description(objects, rooms, **more):
    """A game description with these objects and rooms, each room 20 x 15 cells of 16, and any
    more fields (sounds, options) given."""
    for room in rooms:
        room.update({"speed": 30, "width": 20, "height": 15, "cell_size": 16})
    return json.dumps({"objects": objects, "rooms": rooms, **more})


def code(text):
    return {"actions": [{"id": 811, "arguments": [text]}]}


class TheAuthorsLoop(WindowGame):
    """velkaro --watch: a save shows within a second, in the room the author was in; a broken
    save is said over the game, which plays on; the player's saved values stay as they were."""

    game = "watched"

    def write(self, second_colour, broken=False):
        text = description(
            [{"name": "goer", "events": {"keyboard": [dict(sub=32, **code("room = 2"))]}},
             {"name": "saver", "events": {"creation": [code("write(1, 9)")]}}],
            [{"name": "first", "background_colour": "0x0000FF",
              "instances": [{"column": 0, "row": 0, "object": "goer"}]},
             {"name": "second", "background_colour": second_colour,
              "instances": [{"column": 0, "row": 0, "object": "saver"}]}])
        # Saved as editors save: a new file renamed over the old.
        temporary = os.path.join(self.folder, ".watched.json.new")
        with open(temporary, "w") as f:
            f.write(text[:-20] if broken else text)
        os.replace(temporary, os.path.join(self.folder, "watched.json"))
        return time.monotonic()

    def place_game(self):
        self.write("0xFF0000")
        return os.path.join(self.folder, "watched.json")

    def options(self):
        return ["--watch"]

    def shows_within_a_second(self, window, colour, saved, x=100, y=100):
        if self.player.poll() is not None:
            self.fail("velkaro ended with %d: %s" % (self.player.returncode, self.said()))
        self.wait_for("the room in %s" % (colour,), lambda: pixel(window, x, y) == colour)
        self.assertLess(time.monotonic() - saved, 1.0, "shown within a second of the save")

    def test_edits_show_at_once_and_a_broken_one_is_said(self):
        window = self.window("first")
        self.wait_for("the first room", lambda: pixel(window, 100, 100) == RED)
        xdotool("key", "space")
        self.wait_for("the second room", lambda: pixel(window, 100, 100) == BLUE)
        self.shows_within_a_second(window, (0, 255, 0), self.write("0x00FF00"))
        self.assertFalse(os.path.exists(os.path.join(self.data, "iodata")),
                         "a reload writes no saved values")
        self.write("0x00FFFF", broken=True)
        self.wait_for("the message", lambda: pixel(window, 4, 236) == (144, 0, 32))
        self.assertIn("not valid JSON", self.said())
        time.sleep(0.3)
        self.assertEqual(pixel(window, 100, 100), (0, 255, 0), "the game plays on as it was")
        self.assertIsNone(self.player.poll())
        self.shows_within_a_second(window, (255, 255, 0), self.write("0x00FFFF"))
        self.assertNotEqual(pixel(window, 4, 236), (144, 0, 32), "the message is gone")
        self.assertFalse(os.path.exists(os.path.join(self.data, "iodata")))
        close_window(window)
        self.ends()
        self.assertEqual(self.saved_values(), {1: 9.0}, "the game's own end still saves")
        self.assertEqual(self.said().count(" read again\n"), 2, self.said())


class TheDebugView(WindowGame):
    """velkaro --debug: the view names the instance under the mouse with its variables, and a
    paused game moves only one step at a time."""

    game = "debugged"
    ROW = 128 + 8  # through the middle of the mover

    def place_game(self):
        shutil.copy(os.path.join(SPRITES, "blue.bmp"), self.folder)
        shutil.copy(os.path.join(SPRITES, "red.bmp"), self.folder)
        path = os.path.join(self.folder, "debugged.json")
        with open(path, "w") as f:
            f.write(description(
                [{"name": "block", "sprite": {"frames": ["blue.bmp"]},
                  "events": {"creation": [code('{ lives = 3; label = "box" }')]}},
                 {"name": "mover", "sprite": {"frames": ["red.bmp"]},
                  "events": {"creation": [code("{ hspeed = 2; hdir = 1 }")]}}],
                [{"name": "arena", "background_colour": "0x408000",
                  "instances": [{"column": 2, "row": 2, "object": "block"},
                                {"column": 0, "row": 8, "object": "mover"}]}]))
        return path

    def options(self):
        return ["--debug"]

    def printed(self):
        """The view as F9 prints it."""
        before = len(self.said())
        xdotool("key", "F9")
        return self.wait_for("the printed view", lambda: self.said()[before:].endswith("\n\n")
                             and self.said()[before:])

    def mover_left(self, window):
        with tempfile.NamedTemporaryFile(suffix=".txt") as dump:
            subprocess.run([IMPORT, "-window", str(window), "-crop", "320x1+0+%d" % self.ROW,
                            "-depth", "8", "txt:" + dump.name], check=True)
            with open(dump.name) as f:
                for line in f.read().splitlines()[1:]:
                    if line.split("#", 1)[1][:6] == "FF0000":
                        return int(line.split(",", 1)[0])
        return None

    def test_the_view_reads_variables_and_steps_one_at_a_time(self):
        window = self.window("arena")
        x, y, _, _ = geometry(window)
        self.wait_for("the mover", lambda: self.mover_left(window))
        self.assertEqual(pixel(window, 4, 4), GREEN, "no view until F12")
        xdotool("mousemove", x + 40, y + 40)
        xdotool("key", "F12")
        self.wait_for("the view", lambda: pixel(window, 4, 4) != GREEN)
        view = self.printed()
        self.assertIn("Under the mouse at 40, 40: block", view)
        for variable in ("x = 32", "y = 32", "hdir = 0", "lives = 3", 'label = "box"'):
            self.assertIn("\n" + variable + "\n", view)
        xdotool("key", "F12")
        self.wait_for("the game's own picture", lambda: pixel(window, 4, 4) == GREEN)

        xdotool("key", "F11")
        self.wait_for("the pause", lambda: "PAUSED" in self.printed())
        paused = self.mover_left(window)
        time.sleep(0.5)
        self.assertEqual(self.mover_left(window), paused, "a paused game stands still")
        xdotool("mousemove", x + paused + 8, y + self.ROW)
        before = self.printed()
        self.assertIn(": mover", before)
        xdotool("key", "F10")
        self.wait_for("one step", lambda: self.mover_left(window) == paused + 2)
        time.sleep(0.5)
        self.assertEqual(self.mover_left(window), paused + 2, "one step, no more")
        after = self.printed()
        moved = [line for line in after.splitlines() if line.startswith("x = ")]
        self.assertEqual(moved, ["x = %d" % (paused + 2)], after)
        xdotool("key", "F11")
        self.wait_for("the game to go on", lambda: self.mover_left(window) > paused + 10)
        close_window(window)
        self.ends()


if __name__ == "__main__":
    # The tests run from this file imported as a module, with the other *_test.py files of its
    # folder, which take the programs and helpers from it.
    import glob
    import importlib
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    shared = importlib.import_module("window_test")
    shared.VELKARO, shared.QVF, shared.GAMES, shared.EXAMPLES = sys.argv[1:5]
    # The virtual display may still be starting.
    wait_for("the display", lambda: subprocess.run(["xdotool", "getdisplaygeometry"],
                                                   capture_output=True).returncode == 0)
    loader = unittest.defaultTestLoader
    suite = unittest.TestSuite(loader.loadTestsFromModule(shared))
    for path in sorted(glob.glob(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                              "*_test.py"))):
        name = os.path.splitext(os.path.basename(path))[0]
        if name != "window_test":
            suite.addTests(loader.loadTestsFromModule(importlib.import_module(name)))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)
