"""The player's own choices, played in its window: saves that the game's folder cannot take,
the window's size and mode, and the loudness."""

import array
import math
import os
import shutil
import time
import wave

import window_test as w


def one_room(objects, **more):
    """A game of one room, "only", red (0x0000FF), with an instance of each object."""
    return w.description(objects, [{"name": "only", "background_colour": "0x0000FF",
                                    "instances": [{"column": 0, "row": 0, "object": o["name"]}
                                                  for o in objects]}], **more)


code = w.code


class ADescribedGame(w.WindowGame):
    """A game whose description the test writes; its data folder beside it."""

    game = "mine"
    text = ""

    def place_game(self):
        path = os.path.join(self.folder, self.game + ".json")
        with open(path, "w") as f:
            f.write(self.text)
        return path

    def saves_elsewhere(self):
        """The player's folder for this game's saves, when there is one."""
        folders = os.path.join(self.home, "data", "velkaro")
        found = [f for f in os.listdir(folders)] if os.path.isdir(folders) else []
        return [os.path.join(folders, f) for f in found if f.startswith(self.game + "-")]


class SavesNeverLost(ADescribedGame):
    """A game whose folder cannot be written keeps its saved values in the player's own data
    folder and finds them there the next time; a game whose folder can be written keeps them
    in its data folder."""

    text = one_room([{"name": "counter", "events": {"creation": [
        code("{ write(1, read(1) + 1); show_message('run ' + string(read(1))) }")]}}])
    read_only = True
    starts_at_once = False

    def run_once(self):
        environment = self.environment()
        before = ()
        if self.read_only and os.geteuid() == 0:
            # Root writes anywhere: the player runs as another user, for whom it cannot.
            xauthority = os.environ.get("XAUTHORITY")
            if xauthority:
                shutil.copy(xauthority, os.path.join(self.folder, "xauthority"))
                os.chmod(os.path.join(self.folder, "xauthority"), 0o644)
                environment["XAUTHORITY"] = os.path.join(self.folder, "xauthority")
            before = ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups")
        self.start(environment=environment, before=before)
        return self

    def said_run(self):
        w.answer_box("mine", "Return")  # "run N", from the first room's start
        w.close_window(self.window("only"))
        self.ends()

    def prepare_folders(self):
        os.makedirs(self.home, exist_ok=True)
        os.chmod(self.home, 0o777)
        if self.read_only:
            os.chmod(self.folder, 0o755)
            os.chmod(self.data, 0o555)

    def test_the_values_come_back(self):
        self.prepare_folders()
        self.run_once().said_run()
        self.run_once().said_run()
        iodata = "iodata" if not self.read_only else None
        if self.read_only:
            kept = self.saves_elsewhere()
            self.assertEqual(len(kept), 1, self.said())
            self.data = kept[0]
            self.assertIn("the saved values are kept here", self.said())
            self.assertFalse(os.path.exists(os.path.join(self.folder, "mine_data", "iodata")))
        else:
            self.assertEqual(self.saves_elsewhere(), [])
            self.assertTrue(os.path.exists(os.path.join(self.data, iodata)))
        self.assertEqual(self.saved_values(), {1: 2.0}, "the second run read the first's")


class SavesInAWritableFolder(SavesNeverLost):
    read_only = False


class TheWindowAsThePlayerWants(ADescribedGame):
    """--scale, --fullscreen and --window change the window, never the game."""

    text = one_room([{"name": "still", "events": {}}])
    starts_at_once = False

    def test_scale_two(self):
        self.start("--scale", "2")
        window = self.window("only")
        _, _, width, height = w.geometry(window)
        self.assertEqual((width, height), (640, 480), "twice the room's 320 x 240")
        self.wait_for("the room over the larger window", lambda: w.pixel(window, 600, 450) == w.RED)
        w.close_window(window)
        self.ends()

    def test_full_screen_and_back_is_remembered(self):
        self.start("--fullscreen")
        window = self.window("only")
        self.assertEqual(w.geometry(window)[2:], (1024, 768))
        self.wait_for("the room over the screen", lambda: w.pixel("root", 512, 384) == w.RED)
        w.xdotool("key", "F4")  # the player chooses a window: kept for the next time
        self.wait_for("the window", lambda: w.geometry(window)[2:] == (320, 240))
        w.close_window(window)
        self.ends()
        with open(os.path.join(self.home, "config", "velkaro", "settings")) as f:
            self.assertIn("fullscreen = no", f.read())


class TheLoudness(ADescribedGame):
    """--volume and --mute scale everything the game plays; the game's own volume is its."""

    text = one_room([{"name": "player", "events": {"creation": [code("sound_loop(1)")]}}],
                       sounds=[{"name": "tone", "file": "tone.wav"}])
    starts_at_once = False

    def prepare_media(self):
        samples = array.array("h", (int(12000 * math.sin(2 * math.pi * 440 * i / 22050))
                                    for i in range(22050)))
        with wave.open(os.path.join(self.data, "tone.wav"), "wb") as f:
            f.setnchannels(1)
            f.setsampwidth(2)
            f.setframerate(22050)
            f.writeframes(samples.tobytes())

    def loudness(self, *options):
        """The root mean square of what the player sends to the sound device."""
        output = os.path.join(self.folder, "sound-%d.raw" % len(os.listdir(self.folder)))
        environment = dict(self.environment(), SDL_AUDIODRIVER="disk",
                           SDL_DISKAUDIOFILE=output)
        self.start(*options, environment=environment)
        window = self.window("only")
        time.sleep(1.5)
        w.close_window(window)
        self.ends()
        with open(output, "rb") as f:
            samples = array.array("h", f.read())
        loud = samples[len(samples) // 4:]  # past the start
        return math.sqrt(sum(s * s for s in loud) / max(len(loud), 1))

    def test_half_volume_and_mute(self):
        full = self.loudness()
        self.assertGreater(full, 1000, "the tone is heard")
        half = self.loudness("--volume", "50")
        self.assertAlmostEqual(half / full, 0.5, delta=0.05)
        self.assertEqual(self.loudness("--mute"), 0)
