"""Drawings and pages made by other programs, shown by the player in its windows: metafiles
LibreOffice Draw exported as a start screen, a room's background and show_image, and a page
LibreOffice Writer wrote (a table, a picture, tab stops) in the game information window."""

import os
import shutil
import subprocess
import tempfile

import window_test as w

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
# Where the drawing (298 x 218 pixels) shows its shapes: the red rectangle and the blue ellipse.
RED_AT = (60, 45)
BLUE_AT = (230, 70)
RED = (0xD0, 0x20, 0x20)
BLUE = (0x20, 0x50, 0xE0)


def near(colour, expected, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def screen_pixels(window):
    """Every pixel of the window as {(x, y): (r, g, b)}, and its size."""
    with tempfile.NamedTemporaryFile(suffix=".txt") as dump:
        subprocess.run([w.IMPORT, "-window", str(window), "-depth", "8", "txt:" + dump.name],
                       check=True)
        with open(dump.name) as f:
            lines = f.read().splitlines()
    width, height = (int(v) for v in lines[0].split(":")[1].split(",")[:2])
    pixels = {}
    for line in lines[1:]:
        place, rest = line.split(":", 1)
        x, y = (int(v) for v in place.split(","))
        value = rest.split("#", 1)[1][:6]
        pixels[(x, y)] = (int(value[0:2], 16), int(value[2:4], 16), int(value[4:6], 16))
    return pixels, width, height


class DrawingsAndPages(w.WindowGame):
    game = "win_pages"

    def prepare_media(self):
        for name in ("drawing.emf", "drawing.wmf"):
            shutil.copy(os.path.join(DATA, "metafiles", name), self.data)
        shutil.copy(os.path.join(DATA, "rtf", "layout.rtf"), os.path.join(self.data, "help.rtf"))

    def shows_the_drawing_centred(self, what):
        """Waits for a window of the drawing's size (298 x 218) centred on the screen, showing
        its shapes."""
        def window_of_its_size():
            for window in w.windows_named(""):
                if w.geometry(window) == ((1024 - 298) // 2, (768 - 218) // 2, 298, 218):
                    return window
            return None

        window = self.wait_for(what, window_of_its_size)
        self.wait_for(what + " drawn", lambda: near(w.pixel(window, *RED_AT), RED))
        self.assertTrue(near(w.pixel(window, *BLUE_AT), BLUE))
        self.assertEqual(w.pixel(window, 2, 215), (255, 255, 255))

    def test_drawings_show_at_their_size_and_the_page_keeps_its_table_and_picture(self):
        self.shows_the_drawing_centred("the start screen")
        w.xdotool("key", "space")

        # The room tiles the drawing at its own size: the second tile starts at x = 298.
        window = self.window("drawn")
        self.wait_for("the background", lambda: near(w.pixel(window, *RED_AT), RED))
        self.assertTrue(near(w.pixel(window, *BLUE_AT), BLUE))
        self.assertTrue(near(w.pixel(window, 298 + 15, RED_AT[1]), RED))

        w.xdotool("key", "i")
        self.shows_the_drawing_centred("the shown image")
        w.xdotool("key", "space")
        self.wait_for("the image to close", lambda: w.windows_named("drawn"))

        w.xdotool("key", "F1")
        info = self.wait_for("the information", lambda: w.windows_named("Help for"))[0]
        # Once drawn, the page's picture shows four quarters in its PNG's colours.
        quarters = [(255, 0, 0), (0, 160, 0), (0, 0, 255), (255, 216, 0)]
        self.wait_for("the page's picture",
                      lambda: set(quarters) <= set(screen_pixels(info)[0].values()))
        pixels, width, height = screen_pixels(info)
        # The picture: 64 x 48 pixels shown 1.5 inches wide, 144 x 108 at 96 dots an inch. The
        # words after the tabs have colours of their own too, in rows and columns of far fewer
        # pixels than a quarter of the picture fills.
        def extent(places, axis, least):
            counts = {}
            for place in places:
                counts[place[axis]] = counts.get(place[axis], 0) + 1
            full = [v for v, n in counts.items() if n >= least]
            return min(full), max(full)

        for colour in quarters:
            places = [p for p, c in pixels.items() if c == colour]
            left, right = extent(places, 0, 45)
            top, bottom = extent(places, 1, 60)
            self.assertAlmostEqual(right - left + 1, 72, delta=1, msg=colour)
            self.assertAlmostEqual(bottom - top + 1, 54, delta=1, msg=colour)
        picture_top = extent([p for p, c in pixels.items() if c == quarters[0]], 1, 60)[0]
        picture_bottom = extent([p for p, c in pixels.items() if c == quarters[2]], 1, 60)[1]

        # The tabbed words below it (each in a colour of its own, 6 pixels of margin): "Left"
        # starts at the left stop (0.5 inch), "Centre" is centred on its stop (2.5 inches),
        # "Right" ends at its stop (4 inches).
        def word(colour):
            xs = [x for (x, y), c in pixels.items()
                  if c == colour and picture_bottom < y < picture_bottom + 60]
            return min(xs), max(xs)

        self.assertAlmostEqual(word(quarters[0])[0], 6 + 48, delta=2)
        self.assertAlmostEqual(sum(word(quarters[1])) / 2, 6 + 240, delta=3)
        self.assertAlmostEqual(word(quarters[2])[1], 6 + 384, delta=2)
        # The table above it: its cells' borders are dark columns 96, 192 and 144 pixels apart
        # (cells of 1, 2 and 1.5 inches), running down all three rows.
        columns = [x for x in range(width)
                   if sum(1 for y in range(picture_top) if max(pixels[(x, y)]) < 100) > 40]
        edges = [x for i, x in enumerate(columns) if i == 0 or x > columns[i - 1] + 1]
        self.assertEqual(len(edges), 4, columns)
        gaps = [b - a for a, b in zip(edges, edges[1:])]
        for gap, expected in zip(gaps, (96, 192, 144)):
            self.assertAlmostEqual(gap, expected, delta=2, msg=gaps)
        w.xdotool("key", "Escape")
        w.close_window(window)
        self.assertEqual(self.ends(), 0)
