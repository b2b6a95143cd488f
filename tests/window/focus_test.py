"""The boxes keep the keyboard; the dialog that opens a game fits the screen and takes it."""

import json
import os
import subprocess
import tempfile
import unittest

import window_test as w


def focused():
    return int(w.xdotool("getwindowfocus").strip() or 0)


class TheKeyboardFollowsTheBoxes(w.WindowGame):
    """A start screen without a delay, then a message, each while the game's window is raised,
    clicked and focused: the box comes back in front and its key reaches it."""

    game = "kept"

    def place_game(self):
        game = json.loads(w.description(
            [{"name": "asker", "events": {"keyboard": [
                dict(sub=77, **w.code("{ show_message('Kept'); room = 2 }"))]}}],
            [{"name": "first", "background_colour": "0xFF0000",
              "instances": [{"column": 0, "row": 0, "object": "asker"}]},
             {"name": "second", "background_colour": "0x0000FF"}]))
        game["options"] = ["start=1", "startfilename=start.bmp", "startdelay=0"]
        with open(os.path.join(self.folder, "kept.json"), "w") as f:
            json.dump(game, f)
        w.write_bmp(os.path.join(self.data, "start.bmp"), 160, 120, (0, 200, 0))
        return f.name

    def box_over(self, game):
        box = int(self.wait_for("the box", lambda: [x for x in w.xdotool(
            "search", "--onlyvisible", "--pid", self.player.pid).split() if int(x) != game])[0])
        self.wait_for("the box to take the keyboard as it shows", lambda: focused() == box)
        bx, by, bw, bh = w.geometry(box)
        spot = (bx + bw // 2, by + bh // 4)
        shown = w.pixel("root", *spot)
        w.xdotool("windowraise", game)
        self.wait_for("the game's window over the box", lambda: w.pixel("root", *spot) != shown)
        x, y, _, _ = w.geometry(game)
        w.xdotool("mousemove", x + 4, y + 4)  # outside the box, which is centred
        w.xdotool("click", 1)
        self.wait_for("the box in front again", lambda: w.pixel("root", *spot) == shown)
        w.xdotool("windowfocus", game)
        self.wait_for("the keyboard back with the box", lambda: focused() == box)

    def test_a_key_reaches_the_start_screen_and_the_box(self):
        game = self.window("^Loading$")  # the start screen shows before the first room
        self.box_over(game)
        w.xdotool("key", "space")
        self.wait_for("the first room", lambda: w.pixel(game, 5, 5) == w.BLUE)
        w.xdotool("key", "m")
        self.box_over(game)
        self.assertEqual(w.pixel(game, 5, 5), w.BLUE, "the game waits for the message")
        w.xdotool("key", "Return")
        self.wait_for("the second room", lambda: w.pixel(game, 5, 5) == w.RED)
        w.close_window(game)
        self.assertEqual(self.ends(), 0)


class TheDialogThatOpensAGame(unittest.TestCase):
    """Without a game or a session bus: centred, it fits the screen, Escape reaches it wherever
    the pointer is, and it says nothing of the desktop's settings."""

    def test_it_fits_the_screen_and_escape_cancels_it(self):
        self.assertFalse(os.path.exists(os.path.join(os.path.dirname(w.VELKARO), "game.qvf")))
        width, height = (int(v) for v in w.xdotool("getdisplaygeometry").split())
        errors = tempfile.TemporaryFile("w+")
        self.addCleanup(errors.close)
        player = subprocess.Popen([w.VELKARO], stderr=errors, env={
            k: v for k, v in os.environ.items()
            if k not in ("DBUS_SESSION_BUS_ADDRESS", "GSETTINGS_BACKEND")})
        self.addCleanup(lambda: player.poll() is None and (player.kill(), player.wait()))

        def centred_on_screen():
            found = w.windows_named("^Loading a game$")
            x, y, wide, high = w.geometry(found[0]) if found else (-1, -1, 0, 0)
            return wide > width // 2 and abs(x - (width - wide) // 2) <= 1 and x >= 0 and \
                abs(y - (height - high) // 2) <= 1 and y >= 0
        w.wait_for("the dialog centred, wider than half the screen and within it",
                   centred_on_screen)
        w.xdotool("mousemove", 0, 0)
        w.xdotool("key", "Escape")
        self.assertEqual(player.wait(10), 0)
        errors.seek(0)
        self.assertNotRegex(errors.read(), "dconf|WARNING|CRITICAL")
