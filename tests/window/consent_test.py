"""A game that starts a program asks the player first; the answer is kept for the next play."""

import os
import pathlib
import subprocess
import tempfile
import time
import unittest

import window_test as w

# On start the game runs mark.sh from its data folder, which makes the file it is given.
GAME = ('{"objects": [{"name": "starter", "events": {"creation": [{"actions": [{"id": 811, '
        '"arguments": ["execute(\'mark.sh\', \'marker.txt\', 1)"]}]}]}}], "rooms": [{"name": '
        '"desk", "width": 4, "height": 3, "instances": [{"column": 0, "row": 0, "object": '
        '"starter"}]}]}')


class AskingBeforeAProgramStarts(unittest.TestCase):

    def play(self, *options, answers=()):
        """Plays the game, pressing the keys of `answers` in its boxes as they come up, and
        closes it once it shows its room. Answers whether the program ran."""
        player = subprocess.Popen([w.VELKARO, *options, str(self.folder / "consent.json")],
                                  env=self.environment, stderr=subprocess.DEVNULL)
        self.addCleanup(player.kill)
        for key in answers:
            box = w.wait_for("a box", lambda: w.windows_named("^consent$"))[-1]
            w.answer_box("consent", key)
            w.wait_for("the box to close", lambda: box not in w.windows_named(""))
        window = w.wait_for("the room", lambda: w.windows_named("desk"))[0]
        time.sleep(0.5)
        self.assertEqual(w.windows_named("^consent$"), [], "a box more than expected")
        w.close_window(window)
        self.assertEqual(player.wait(10), 0)
        # The game waits for its program: one that was allowed has run by now.
        marker = self.folder / "consent_data" / "marker.txt"
        ran = marker.exists()
        marker.unlink(missing_ok=True)
        return ran

    def test_the_answer_is_asked_once_and_kept(self):
        temporary = tempfile.TemporaryDirectory()
        self.addCleanup(temporary.cleanup)
        self.folder = pathlib.Path(temporary.name)
        (self.folder / "consent.json").write_text(GAME)
        (self.folder / "consent_data").mkdir()
        (self.folder / "consent_data" / "mark.sh").write_text('#!/bin/sh\ntouch "$1"\n')
        (self.folder / "consent_data" / "mark.sh").chmod(0o755)
        self.environment = dict(os.environ, XDG_CONFIG_HOME=str(self.folder / "config"))
        settings = self.folder / "config" / "velkaro" / "settings"
        section = "[game %s]\nprograms = " % (self.folder / "consent.json")

        # No (Escape), then the game's own message that it cannot start the program.
        self.assertFalse(self.play(answers=["Escape", "Return"]))
        self.assertEqual(settings.read_text(), section + "deny\n")
        self.assertFalse(self.play(answers=["Return"]), "Return in a question would say Yes")

        settings.unlink()
        self.assertTrue(self.play(answers=["Return"]))  # Yes
        self.assertEqual(settings.read_text(), section + "allow\n")
        self.assertTrue(self.play(), "allowed without a box")

        # The command line decides without a box, and what it decides is not kept.
        self.assertFalse(self.play("--deny-programs", answers=["Return"]))
        self.assertEqual(settings.read_text(), section + "allow\n")
        settings.unlink()
        self.assertTrue(self.play("--allow-programs"))
        self.assertFalse(settings.exists() and "programs" in settings.read_text())
