"""The virtual X screen of a session (Xvfb) and one X connection to it (python3-xlib): windows, pixels, and
the pointer and keyboard through the XTEST extension, as a user's devices would act."""

import os
import re
import subprocess
import time
from collections import namedtuple
from contextlib import suppress

from PIL import Image
from Xlib import X, XK, display as xlib_display, error as xlib_error
from Xlib.ext import xtest
from Xlib.protocol.request import GetImage

from launcherkit import KitError
from launcherkit.wine.processes import stop_popen
from launcherkit.wine.waiting import wait_until

# Pillow's raw modes for the pixel layouts of Xvfb's depths, by bits per pixel (Wine's hosts, and so the
# server, are little-endian): palette indexes, 16-bit pixels of red 5, green 6, blue 5 bits, 24-bit pixels
# in 32-bit words.
RAW_MODES = {8: "P", 16: "BGR;16", 32: "BGRX"}
# A window that goes away while it is looked at; the search passes over it.
GONE = (xlib_error.BadWindow, xlib_error.BadDrawable, xlib_error.BadMatch)


class DisplayError(KitError):
    """The X display or a request to it failed."""


class WindowInfo(namedtuple("WindowInfo", "id x y width height border")):
    @property
    def geometry(self):
        return (self.x, self.y, self.width, self.height)


class XDisplay:
    """An Xvfb screen, started at once; `env`, the session programs' environment, gets its DISPLAY."""

    def __init__(self, env, logs_dir, size=(640, 480), depth=24):
        self.size, self.depth, self.x = size, depth, None
        read_end, write_end = os.pipe()
        log = open(os.path.join(logs_dir, "xvfb.log"), "w")
        try:
            self.process = subprocess.Popen(
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
        try:
            if not number.isdigit():
                raise DisplayError("Xvfb did not start (see %s/xvfb.log)" % logs_dir)
            self.name = env["DISPLAY"] = ":" + number.decode()
            try:
                self.x = xlib_display.Display(self.name)
            except (xlib_error.DisplayError, OSError) as problem:
                raise DisplayError("no X connection to Xvfb on %s: %s" % (self.name, problem)) from None
            if not self.x.has_extension("XTEST"):
                raise DisplayError("Xvfb on %s offers no XTEST extension" % self.name)
        except DisplayError:
            self.close()
            raise
        screen = self.x.screen()
        self.root, self.white = screen.root, screen.white_pixel
        self.bits_per_pixel = next(f.bits_per_pixel for f in self.x.display.info.pixmap_formats
                                   if f.depth == screen.root_depth)

    def close(self):
        """Ends the connection, then Xvfb; safe to call more than once."""
        if self.x is not None:
            with suppress(xlib_error.ConnectionClosedError, OSError):
                self.x.close()
            self.x = None
        stop_popen(self.process, timeout=10)

    # -- windows ------------------------------------------------------------------------------------------

    def find_windows(self, name, pid=None):
        """The ids of the visible X windows whose title matches `name` (a regular expression, case ignored), in
        the order of the window tree; of the process `pid` (their _NET_WM_PID) when given."""
        pattern = re.compile(name, re.IGNORECASE)
        found = []
        waiting = [self.root]
        while waiting:
            window = waiting.pop(0)
            try:
                waiting[:0] = window.query_tree().children
                if window == self.root or window.get_attributes().map_state != X.IsViewable:
                    continue
                if pid is not None:
                    owner = window.get_full_property(self.x.get_atom("_NET_WM_PID"), X.AnyPropertyType)
                    if owner is None or owner.value[0] != pid:
                        continue
                title = window.get_full_text_property(self.x.get_atom("_NET_WM_NAME")) or window.get_wm_name()
                if title is not None and pattern.search(title):
                    found.append(window.id)
            except GONE:
                continue
        return found

    def wait_window(self, name, pid=None, timeout=30, process=None):
        """Waits for a visible X window with that title (of the Wine process `pid`, when given: under Wine
        a window's _NET_WM_PID is the pid of the wine process that runs the program); its WindowInfo."""
        deadline = time.monotonic() + timeout
        while True:
            for window_id in self.find_windows(name, pid):
                # Its place on the screen (the outer corner, border included), size and border width.
                window = self.x.create_resource_object("window", window_id)
                try:
                    geometry = window.get_geometry()
                    corner = self.root.translate_coords(window, -geometry.border_width, -geometry.border_width)
                except GONE:
                    continue
                return WindowInfo(window_id, corner.x, corner.y, geometry.width, geometry.height,
                                  geometry.border_width)
            if process is not None and not process.running():
                raise DisplayError("the program ended (exit code %s) before its window appeared"
                                   % process.popen.returncode)
            if time.monotonic() > deadline:
                raise DisplayError("no window %r of pid %s within %d s" % (name, pid, timeout))
            time.sleep(0.05)

    def focus(self, window):
        """Gives the window the keyboard focus and waits until the server has it there."""
        target = self.x.create_resource_object("window", window.id)
        target.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.x.sync()
        wait_until(lambda: self.x.get_input_focus().focus == target, timeout=10, what="the input focus")

    # -- pictures -----------------------------------------------------------------------------------------

    def screenshot(self, window=None):
        """The screen as an RGB image. On a palette screen pass the window (id or WindowInfo) whose colour
        map is to be used; the image is then of that window only."""
        if window is None:
            return self.pixels(0, 0, *self.size)
        window_id = window.id if isinstance(window, WindowInfo) else int(window)
        target = self.x.create_resource_object("window", window_id)
        geometry = target.get_geometry()
        return self._image(target, 0, 0, geometry.width, geometry.height)

    def pixels(self, x, y, width, height):
        """The screen rectangle at (x, y), as an RGB image."""
        return self._image(self.root, x, y, width, height)

    def _image(self, window, x, y, width, height):
        """A rectangle of a window as an RGB image: true-colour pixels unpacked by Pillow, palette indexes
        through the window's colour map (whose 16-bit channels are rounded to the nearest 8-bit value)."""
        if self.bits_per_pixel not in RAW_MODES:
            raise DisplayError("no reader for pixels of %d bits" % self.bits_per_pixel)
        try:
            data = window.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
            colours = window.get_attributes().colormap.query_colors(list(range(256))) if self.depth == 8 else None
        except GONE as problem:
            raise DisplayError("the screen could not be read: %s" % problem) from None
        # Each row of the reply is padded to the server's scanline unit.
        picture = Image.frombytes("P" if colours else "RGB", (width, height), data, "raw",
                                  RAW_MODES[self.bits_per_pixel], len(data) // height)
        if colours:
            picture.putpalette([(channel + 128) // 257 for colour in colours
                                for channel in (colour.red, colour.green, colour.blue)])
        return picture.convert("RGB")

    def spot_values(self, points):
        """The frame buffer's raw values at the screen points, in one round trip (all requests, then replies)."""
        requests = [GetImage(display=self.x.display, defer=True, format=X.ZPixmap, drawable=self.root.id, x=x,
                             y=y, width=1, height=1, plane_mask=0xFFFFFFFF) for x, y in points]
        for request in requests:
            request.reply()
        return tuple(int.from_bytes(request.data[:max(1, self.bits_per_pixel // 8)], "little") for request in requests)

    def clear_root(self):
        """Gives the root window a white background and clears it: an empty screen is then never black."""
        self.root.change_attributes(background_pixel=self.white)
        self.root.clear_area()
        self.x.sync()

    # -- pointer and keyboard -----------------------------------------------------------------------------
    # Each input is sent through XTEST, then a round trip makes sure the server has handled it (and told
    # the programs) before anything else is asked of the screen.

    def _input(self, event, detail=0, **place):
        xtest.fake_input(self.x, event, detail, **place)
        self.x.sync()

    def move(self, x, y):
        self._input(X.MotionNotify, x=x, y=y)

    def press(self, button=1):
        self._input(X.ButtonPress, button)

    def release(self, button=1):
        self._input(X.ButtonRelease, button)

    def click(self, button=1):
        self.press(button)
        time.sleep(0.05)
        self.release(button)

    def key(self, keys):
        """Presses the keys of `keys` ("Alt_L+F4": X keysym names) in order and lets them go in reverse."""
        codes = [self.x.keysym_to_keycode(XK.string_to_keysym(name)) for name in keys.split("+")]
        if not all(codes):
            raise DisplayError("no key for one of %r on %s" % (keys, self.name))
        for code in codes:
            xtest.fake_input(self.x, X.KeyPress, code)
        for code in reversed(codes):
            xtest.fake_input(self.x, X.KeyRelease, code)
        self.x.sync()
