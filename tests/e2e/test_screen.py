"""What LAUNCH.EXE shows on screens of each depth: the pictures of the right tier, pixel for pixel, at the
right places; the remove picture once the product is installed; palette colours that come back after
another program realized its own palette. Each depth's window is saved as
<build>/screenshots/depth-<N>.png."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402
import images  # noqa: E402

UNINSTALL_COMMAND = r'"C:\Program Files\Qelvar\UNINST.EXE" /remove "Qelvar Lumivane"'


def foreign_colour(i):
    """Entry i of the palette that POKE.EXE realizes (see tests/stubs/poke.c)."""
    return (255 - i, (i * 97) & 255, (i * 5 + 128) & 255)


class ScreenCase(unittest.TestCase):
    depth = 24
    tolerance = 0

    @classmethod
    def setUpClass(cls):
        e2e.open_class_session(cls, "screen-depth%d" % cls.depth, depth=cls.depth)

    def show_and_compare(self, exe, tier, installed=False, screenshot_name=None):
        """Starts `exe` from D:, waits for its window and checks its pixels against the tier's pictures."""
        self.launcher.lay_medium(exe=exe)
        process, window = self.launcher.start()
        try:
            self.assertEqual((window.x, window.y, window.width, window.height),
                             e2e.WINDOW_ORIGIN + e2e.WINDOW_SIZE)
            expected = e2e.expected_window(exe, tier, installed=installed)
            image, difference = self.launcher.wait_for_picture(expected, window, tolerance=self.tolerance)
            if screenshot_name:
                image.save_png(os.path.join(e2e.SCREENSHOT_DIR, screenshot_name))
                # The measured difference beside each screenshot: pixels not exactly equal, and the worst channel.
                exact = images.compare(image, expected, 0)
                with open(os.path.join(e2e.SCREENSHOT_DIR, screenshot_name[:-4] + ".txt"), "w") as f:
                    f.write("%d of %d pixels differ from the %d-bit pictures; largest channel difference %d\n"
                            % (exact.count, image.width * image.height, tier, exact.worst))
            self.assertFalse(difference, "the window is not the %d-bit pictures: %s" % (tier, difference))
            return process, window
        except BaseException:
            self.session.poke("close")
            raise

    def close(self, process):
        self.session.poke("close")
        self.assertEqual(process.exit_code(timeout=30), 0)


class TrueColourScreen(ScreenCase):
    depth = 24

    def test_true_colour_pictures_exactly(self):
        process, _ = self.show_and_compare(e2e.LAUNCHER_EXE, 24, screenshot_name="depth-24.png")
        self.close(process)

    def test_installed_product_shows_the_remove_picture(self):
        self.launcher.set_installed(UNINSTALL_COMMAND)
        try:
            process, _ = self.show_and_compare(e2e.LAUNCHER_EXE, 24, installed=True,
                                               screenshot_name="depth-24-installed.png")
            self.close(process)
        finally:
            self.launcher.set_installed(None)

    def test_16_colour_build_draws_the_16_colour_pictures(self):
        process, _ = self.show_and_compare(e2e.LAUNCHER4_EXE, 4, screenshot_name="depth-4.png")
        self.close(process)


class HighColourScreen(ScreenCase):
    depth = 16
    # A 16-bit screen keeps 5 or 6 bits of each channel.
    tolerance = 8

    def test_true_colour_pictures_within_16_bit_precision(self):
        process, _ = self.show_and_compare(e2e.LAUNCHER_EXE, 24, screenshot_name="depth-16.png")
        self.close(process)


class PaletteScreen(ScreenCase):
    depth = 8

    def test_256_colour_pictures_exactly_and_again_after_a_foreign_palette(self):
        process, window = self.show_and_compare(e2e.LAUNCHER_EXE, 8, screenshot_name="depth-8.png")
        expected = e2e.expected_window(e2e.LAUNCHER_EXE, 8)
        palette = self.session.start(e2e.wine_session.poke_exe(), ["palette", "20000"], capture_stdout=True)
        try:
            e2e.wait_until(lambda: "ready" in palette.output() or not palette.running(),
                           what="POKE to realize its palette")
            self.assertIn("ready", palette.output())
            # The other palette really is realized: POKE's window shows its colours (all but the 20 that
            # the system keeps for itself).
            poke_windows = e2e.wait_until(lambda: self.session.find_windows(name="^Poke Palette$"),
                                          what="POKE's window")
            poke_image = self.session.screenshot(poke_windows[0])
            exact = sum(poke_image.pixel((i % 16) * 3 + 1, (i // 16) * 3 + 1) == foreign_colour(i)
                        for i in range(256))
            self.assertGreaterEqual(exact, 236, "POKE's palette was not realized in the foreground")
            # While the other palette is in the foreground the launcher's colours may be off. (Under Wine
            # on Xvfb each process has a colour map of its own, so they stay right; nothing is asserted.)
            self.launcher.window_image(window).save_png(
                os.path.join(e2e.SCREENSHOT_DIR, "depth-8-foreign-palette.png"))
            code, values = self.session.poke("focus")
            self.assertEqual(values.get("foreground"), "1", "the launcher did not get the focus back")
            image, difference = self.launcher.wait_for_picture(expected, window)
            self.assertFalse(difference, "colours not restored after the focus came back: %s" % difference)
        finally:
            e2e.wine_session.stop_popen(palette.popen)
        self.close(process)


if __name__ == "__main__":
    e2e.main()
