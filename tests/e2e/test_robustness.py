"""LAUNCH.EXE under strain and in other settings: a thousand pointer moves across the buttons (it stays
responsive, shows the right picture and its memory stays flat), two launchers at once, and the main
cases under Wine's Windows 95, NT 4.0, XP and default version settings.

A hidden start (show command SW_HIDE: no window, the welcome sound still plays) is covered by
test_startup.py."""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402
import sounds  # noqa: E402


def resident_kib(pid):
    """VmRSS of a process, in KiB (from /proc)."""
    with open("/proc/%d/status" % pid) as f:
        match = re.search(r"^VmRSS:\s+(\d+) kB", f.read(), re.M)
    return int(match.group(1))


def pointer_path(count):
    """`count` screen points that cross every button, their edges, the gaps and the background, in a
    fixed pseudo-random order (repeatable)."""
    ox, oy = e2e.WINDOW_ORIGIN
    stops = [(300, 100), (40, 190), (100, 210), (119, 219), (120, 219), (29, 180), (30, 180), (60, 227),
             (40, 240), (118, 274), (60, 280), (40, 300), (119, 329), (119, 330), (75, 250), (500, 340),
             (75, 195), (75, 305)]
    seed = 12345
    path = []
    for _ in range(count):
        seed = (seed * 1103515245 + 12345) & 0xFFFFFFFF
        x, y = stops[(seed >> 16) % len(stops)]
        path.append((ox + x, oy + y))
    return path


class RobustnessCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        e2e.open_class_session(cls, cls.session_name)
        cls.launcher.lay_medium()
        hover_wav = e2e.exe_sound(e2e.LAUNCHER_EXE, e2e.HOVER_SOUND_ID)
        cls.hover_length = sounds.wav_duration(hover_wav)

    def setUp(self):
        self.session.clear_sounds()
        self.launcher.clear_stub_log()
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            if process.running():
                self.session.poke("close")
                process.exit_code(timeout=30)

    def start(self):
        process, window = self.launcher.start()
        self.processes.append(process)
        return process, window

    def assert_picture(self, states, what):
        expected = e2e.expected_window(e2e.LAUNCHER_EXE, 24, states)
        _, difference = self.launcher.wait_for_picture(expected)
        self.assertFalse(difference, "%s: %s" % (what, difference))

    def moves(self, points):
        """Moves the pointer through the points, a hundred moves per xdotool run, 2 ms apart."""
        for first in range(0, len(points), 100):
            command = ["xdotool"]
            for x, y in points[first:first + 100]:
                command += ["mousemove", str(x), str(y), "sleep", "0.002"]
            self.session._x(*command, timeout=120)


class ThousandMoves(RobustnessCase):
    session_name = "robust-moves"

    def test_a_thousand_moves_across_the_buttons_leave_it_responsive_right_and_flat_in_memory(self):
        process, window = self.start()
        self.session.captured_sounds(at_least=1)  # the welcome sound has played
        path = pointer_path(1100)
        # Warm-up: the first hundred moves let Wine set up what hovering needs once (sound device, DCs).
        self.moves(path[:100])
        self.session.move(*e2e.BACKGROUND_POINT)
        self.assert_picture(e2e.REST, "at rest after the warm-up")
        before = resident_kib(process.pid)

        self.moves(path[100:])
        # Still answering messages: POKE finds it and reads its state through its own window procedure.
        code, info = self.session.poke("info")
        self.assertEqual((code, info.get("found"), info.get("visible")), (0, "1", "1"), info)
        self.assertEqual(info.get("rect"), "%d,%d,%d,%d" % (e2e.WINDOW_ORIGIN + (
            e2e.WINDOW_ORIGIN[0] + e2e.WINDOW_SIZE[0], e2e.WINDOW_ORIGIN[1] + e2e.WINDOW_SIZE[1])))
        # The screen ends right: the last stop lights its button; off the buttons all are at rest.
        self.session.move(*e2e.button_centre(e2e.BROWSE))
        self.assert_picture(e2e.hovered(e2e.BROWSE), "button 1 under the pointer after the moves")
        self.session.move(*e2e.BACKGROUND_POINT)
        self.assert_picture(e2e.REST, "at rest after the moves")
        after = resident_kib(process.pid)
        print("launcher VmRSS after warm-up %d KiB, after 1000 moves %d KiB" % (before, after), file=sys.stderr)
        # Flat: a leak of even 2 KiB per hover change (about 800 changes) would exceed this.
        self.assertLessEqual(after - before, 1024, "VmRSS grew from %d to %d KiB" % (before, after))
        self.assertTrue(process.running())
        self.session.poke("close")
        self.assertEqual(process.exit_code(timeout=30), 0)


class TwoLaunchers(RobustnessCase):
    session_name = "robust-two"

    def test_two_launchers_at_once_have_two_windows_and_both_exit_0(self):
        first = self.session.start(r"D:\LAUNCH.EXE")
        second = self.session.start(r"D:\LAUNCH.EXE")
        self.processes += [first, second]
        windows = [self.session.wait_window(p.pid, process=p) for p in (first, second)]
        self.assertNotEqual(first.pid, second.pid)
        self.assertNotEqual(windows[0].id, windows[1].id, "one X window for two launchers")
        for window in windows:
            self.assertEqual((window.x, window.y, window.width, window.height), e2e.WINDOW_ORIGIN + e2e.WINDOW_SIZE)
        self.assertEqual(len(self.session.find_windows()), 2)
        # Each closes on its own: the first close leaves the other running.
        self.session.poke("close")
        e2e.wait_until(lambda: not first.running() or not second.running(), timeout=30,
                       what="one launcher to end")
        self.assertEqual(sum(p.running() for p in (first, second)), 1)
        self.assertEqual(len(self.session.find_windows()), 1)
        self.session.poke("close")
        self.assertEqual(first.exit_code(timeout=30), 0)
        self.assertEqual(second.exit_code(timeout=30), 0)


# Wine 8's names of the Windows versions it can pretend (HKCU\Software\Wine\AppDefaults\<exe>, Version),
# and what the program then sees: (major, minor, platform id; 1 = Windows 9x, 2 = NT).
WINDOWS_VERSIONS = {
    "win95": (4, 0, 1),
    "nt40": (4, 0, 2),
    "winxp": (5, 1, 2),
}
APP_DEFAULTS = r"HKCU\Software\Wine\AppDefaults\LAUNCH.EXE"


class WindowsVersions(RobustnessCase):
    session_name = "robust-versions"

    def run_main_cases(self, version):
        """The window's pixels, a hover with one sound, a click on button 0 that starts the setup stub, and
        exit code 0. Returns the version the launcher's process was given (from Wine's +ver trace)."""
        process, window = self.launcher.start(debug="+ver")
        self.processes.append(process)
        self.assertEqual((window.x, window.y, window.width, window.height), e2e.WINDOW_ORIGIN + e2e.WINDOW_SIZE)
        self.assert_picture(e2e.REST, "the window under %s" % version)
        self.session.captured_sounds(at_least=1)
        self.session.clear_sounds()
        self.session.move(*e2e.button_centre(e2e.SETUP))
        self.assert_picture(e2e.hovered(e2e.SETUP), "button 0 lit under %s" % version)
        streams = self.session.captured_sounds(at_least=1)
        self.assertEqual(len(streams), 1, "one hover sound under %s: %s" % (version, streams))
        self.assertAlmostEqual(streams[0].duration, self.hover_length, delta=0.03)
        self.session.click()
        self.assertEqual(process.exit_code(timeout=30), 0)
        self.assertEqual(self.launcher.stub_runs(), [("D:\\SETUP32.EXE", '"D:\\SETUP32.EXE"')])
        match = re.search(r"got (\d+)\.(\d+) platform (\d+)", process.log())
        self.assertIsNotNone(match, "Wine's +ver trace names no version:\n%s" % process.log()[-2000:])
        return tuple(int(n) for n in match.groups())

    def test_default_version(self):
        self.session.reg_delete(APP_DEFAULTS)
        major, minor, platform = self.run_main_cases("the default version")
        self.assertEqual(platform, 2)
        self.assertGreaterEqual((major, minor), (6, 1), "Wine 8's default is Windows 7 or later")

    def test_windows_95(self):
        self.check_version("win95")

    def test_windows_nt_40(self):
        self.check_version("nt40")

    def test_windows_xp(self):
        self.check_version("winxp")

    def check_version(self, name):
        self.session.reg_add(APP_DEFAULTS, "Version", "REG_SZ", name)
        self.addCleanup(self.session.reg_delete, APP_DEFAULTS)
        got = self.run_main_cases(name)
        self.assertEqual(got, WINDOWS_VERSIONS[name], "the launcher ran as %s, not as %s" % (got, name))


if __name__ == "__main__":
    e2e.main()
