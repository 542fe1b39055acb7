"""The virtual X screen of a session (Xvfb) and what the tests do on it: find and measure windows, take
screenshots, move the pointer, click and type."""

import os
import re
import subprocess
import time

from launcherkit import KitError
from launcherkit.wine import images

IMPORT = "/usr/bin/import"
CONVERT = "/usr/bin/convert"


class DisplayError(KitError):
    """The X display or a command on it failed."""


class WindowInfo:
    def __init__(self, window_id, x, y, width, height, border, override_redirect, mapped):
        self.id = window_id
        self.x, self.y, self.width, self.height = x, y, width, height
        self.border = border
        self.override_redirect = override_redirect
        self.mapped = mapped

    @property
    def geometry(self):
        return (self.x, self.y, self.width, self.height)

    def __repr__(self):
        return "<window 0x%x %dx%d at (%d,%d) border %d%s>" % (
            self.id, self.width, self.height, self.x, self.y, self.border,
            " override-redirect" if self.override_redirect else "")


class XDisplay:
    """An Xvfb screen of `size` and `depth`, started at once; `env` is the environment of its commands
    (it gets DISPLAY), `logs_dir` receives xvfb.log."""

    def __init__(self, env, logs_dir, size=(640, 480), depth=24):
        self.env = env
        self.size = size
        self.depth = depth
        read_end, write_end = os.pipe()
        log = open(os.path.join(logs_dir, "xvfb.log"), "w")
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx%d" % (size[0], size[1], depth),
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), env=env, stdout=log, stderr=log, stdin=subprocess.DEVNULL)
        finally:
            os.close(write_end)
            log.close()
        # Xvfb chooses a free display number itself (lock files /tmp/.X<n>-lock) and writes it once it
        # accepts connections.
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number.isdigit():
            raise DisplayError("Xvfb did not start (see %s/xvfb.log)" % logs_dir)
        self.number = int(number)
        self.name = ":%d" % self.number
        env["DISPLAY"] = self.name

    @property
    def process(self):
        return self._xvfb

    def run(self, *command, timeout=30, check=True):
        """Runs an X client (xdotool, xwininfo, ...) on this display."""
        result = subprocess.run(list(command), env=self.env, capture_output=True, timeout=timeout)
        if check and result.returncode != 0:
            raise DisplayError("%s failed (%d): %s" % (" ".join(command), result.returncode,
                                                       result.stderr.decode(errors="replace")))
        return result

    # -- windows ------------------------------------------------------------------------------------------

    def find_windows(self, name, pid=None, only_visible=True):
        command = ["xdotool", "search", "--all"]
        if only_visible:
            command.append("--onlyvisible")
        if pid is not None:
            command += ["--pid", str(pid)]
        command += ["--name", name]
        result = self.run(*command, check=False)
        return [int(line) for line in result.stdout.split() if line.strip().isdigit()]

    def wait_window(self, name, pid=None, timeout=30, process=None):
        """Waits for a visible X window with that title (of the Wine process `pid`, when given: under Wine
        a window's _NET_WM_PID is the pid of the wine process that runs the program); its WindowInfo."""
        deadline = time.monotonic() + timeout
        while True:
            found = self.find_windows(name, pid)
            if found:
                return self.window_info(found[0])
            if process is not None and not process.running():
                raise DisplayError("the program ended (exit code %s) before its window appeared"
                                   % process.popen.returncode)
            if time.monotonic() > deadline:
                raise DisplayError("no window %r of pid %s within %d s" % (name, pid, timeout))
            time.sleep(0.05)

    def window_info(self, window_id):
        text = self.run("xwininfo", "-id", str(window_id)).stdout.decode()

        def number(label):
            match = re.search(r"^\s*%s:\s*(-?\d+)" % re.escape(label), text, re.M)
            return int(match.group(1)) if match else None

        override = re.search(r"Override Redirect State:\s*(\w+)", text)
        state = re.search(r"Map State:\s*(\w+)", text)
        return WindowInfo(window_id, number("Absolute upper-left X"), number("Absolute upper-left Y"),
                          number("Width"), number("Height"), number("Border width"),
                          bool(override and override.group(1) == "yes"),
                          bool(state and state.group(1) == "IsViewable"))

    def focus(self, window):
        self.run("xdotool", "windowfocus", "--sync", str(window.id))

    # -- pictures -----------------------------------------------------------------------------------------

    def screenshot(self, window=None):
        """The screen as an RGB image. On a palette screen pass the window (id or WindowInfo) whose colour
        map is to be used; the image is then of that window only. (ImageMagick misreads 16-bit xwd dumps,
        so the whole screen is read with `import`.)"""
        if window is not None:
            window_id = window.id if isinstance(window, WindowInfo) else int(window)
            xwd = self.run("xwd", "-silent", "-display", self.name, "-id", str(window_id)).stdout
            result = subprocess.run([CONVERT, "xwd:-", "-depth", "8", "ppm:-"], input=xwd, capture_output=True,
                                    timeout=60)
        else:
            result = subprocess.run([IMPORT, "-display", self.name, "-window", "root", "-depth", "8", "ppm:-"],
                                    capture_output=True, timeout=60, env=self.env)
        if result.returncode != 0:
            raise DisplayError("screenshot failed: %s" % result.stderr.decode(errors="replace"))
        return images.from_bytes(result.stdout)

    def pixels(self, x, y, width, height):
        """The screen rectangle at (x, y)."""
        return self.screenshot().crop((x, y, x + width, y + height))

    # -- pointer and keyboard -----------------------------------------------------------------------------

    def move(self, x, y):
        self.run("xdotool", "mousemove", str(x), str(y))

    def move_through(self, points, pause=0.002):
        """Moves the pointer through `points`, a hundred moves per xdotool run, `pause` seconds apart."""
        for first in range(0, len(points), 100):
            command = ["xdotool"]
            for x, y in points[first:first + 100]:
                command += ["mousemove", str(x), str(y), "sleep", str(pause)]
            self.run(*command, timeout=120)

    def press(self, button=1):
        self.run("xdotool", "mousedown", str(button))

    def release(self, button=1):
        self.run("xdotool", "mouseup", str(button))

    def click(self, button=1):
        self.press(button)
        time.sleep(0.05)
        self.release(button)

    def key(self, keys):
        self.run("xdotool", "key", keys)
