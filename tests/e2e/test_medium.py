"""The installation medium as a user gets it: scripts/make-medium.sh builds the CD (with the launcher under
test, and the recorder stub as its SETUP32.EXE so that its start can be seen); the files are read back out
of the ISO image and put on CD-ROM drive D:; the program that AUTORUN.INF names is started from there.
Its window shows, and a click on the install button starts the medium's own SETUP32.EXE; exit code 0."""
import os
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402

MAKE_MEDIUM = os.path.join(e2e.SOURCE_DIR, "scripts", "make-medium.sh")


class MediumTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if shutil.which("xorriso") is None:
            raise unittest.SkipTest("xorriso is missing (scripts/install-deps.sh installs it)")
        cls.out = os.path.join(e2e.BUILD_DIR, "test-medium-%d" % os.getpid())
        shutil.rmtree(cls.out, ignore_errors=True)
        cls.addClassCleanup(shutil.rmtree, cls.out, True)
        result = subprocess.run([MAKE_MEDIUM, "--launch", e2e.LAUNCHER_EXE, "--setup", e2e.RECORDER_EXE,
                                 "--out", cls.out], capture_output=True, text=True, timeout=300)
        if result.returncode != 0:
            raise AssertionError("make-medium.sh failed (%d):\n%s%s" % (result.returncode, result.stdout,
                                                                        result.stderr))
        cls.image = os.path.join(cls.out, "QELVAR_LUMIVANE.iso")
        # What a drive shows: the files as the image holds them.
        cls.disc = os.path.join(cls.out, "disc")
        subprocess.run(["xorriso", "-no_rc", "-report_about", "WARNING", "-osirrox", "on", "-indev", cls.image,
                        "-extract", "/", cls.disc], check=True, capture_output=True, timeout=120)

    def test_the_medium_starts_its_launcher_and_the_launcher_its_setup(self):
        self.assertEqual(sorted(os.listdir(self.disc)), ["AUTORUN.INF", "LAUNCH.EXE", "SETUP32.EXE"])
        with open(os.path.join(self.disc, "AUTORUN.INF"), "rb") as f:
            autorun = f.read().decode("cp1252")
        program = re.search(r"^open=(.+?)\r?$", autorun, re.M).group(1)
        self.assertEqual(program, "LAUNCH.EXE")
        with open(os.path.join(self.disc, "LAUNCH.EXE"), "rb") as f, open(e2e.LAUNCHER_EXE, "rb") as g:
            self.assertEqual(f.read(), g.read(), "the medium's LAUNCH.EXE is not the launcher under test")

        with e2e.LauncherSession("medium") as launcher:
            s = launcher.session
            s.map_cdrom("d", self.disc)
            process, window = launcher.start("D:\\" + program)
            try:
                self.assertEqual((window.x, window.y, window.width, window.height),
                                 e2e.WINDOW_ORIGIN + e2e.WINDOW_SIZE)
                _, difference = launcher.wait_for_picture(e2e.expected_window(e2e.LAUNCHER_EXE, 24))
                self.assertFalse(difference, "the window from the medium: %s" % difference)
                s.move(*e2e.button_centre(e2e.SETUP))
                _, difference = launcher.wait_for_picture(
                    e2e.expected_window(e2e.LAUNCHER_EXE, 24, ("hover", "rest", "rest")))
                self.assertFalse(difference, "button 0 is not lit: %s" % difference)
                s.click()
                self.assertEqual(process.exit_code(timeout=30), 0)
            finally:
                if process.running():
                    s.poke("close")
            self.assertEqual(launcher.stub_runs(), [("D:\\SETUP32.EXE", '"D:\\SETUP32.EXE"')])


if __name__ == "__main__":
    e2e.main()
