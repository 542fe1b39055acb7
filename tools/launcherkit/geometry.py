"""The splash window's geometry, read from launcher/geometry.h, the header the launcher, the asset check
and the benchmark's empty popup include."""

import os
import re

from launcherkit import KitError, SOURCE_DIR

HEADER = os.path.join(SOURCE_DIR, "launcher", "geometry.h")


class Geometry:
    """`window_size` and `button_size` as (width, height); `button_origins`, the top-left corner of each
    button in the window, top to bottom."""

    def __init__(self, window_size, button_size, button_origins):
        self.window_size, self.button_size, self.button_origins = window_size, button_size, button_origins
        self.button_count = len(button_origins)

    def button_box(self, button):
        """(left, top, right, bottom) of a button in the window; right and bottom exclusive."""
        x, y = self.button_origins[button]
        return (x, y, x + self.button_size[0], y + self.button_size[1])

    def button_column(self):
        """The box that holds every button, which a background keeps plain."""
        boxes = [self.button_box(i) for i in range(self.button_count)]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes),
                max(b[3] for b in boxes))


def read(path=HEADER):
    """The Geometry of the header's `constexpr TYPE NAME = VALUE;` lines; a table of rows is written
    {{x0, x1, ...}, {y0, y1, ...}}."""
    with open(path) as f:
        c = {name: [[int(v) for v in row.split(",")] for row in re.findall(r"\{([^{}]*)\}", value)]
             if value.strip().startswith("{") else int(value)
             for name, value in re.findall(r"(?m)^constexpr\s+\w+\s+(\w+)\s*=\s*([^;]+);", f.read())}
    try:
        origins = tuple(zip(*c["buttonOrigins"]))
        if len(origins) != c["ButtonCount"]:
            raise KitError("%s: %d button origins for ButtonCount %d" % (path, len(origins), c["ButtonCount"]))
        return Geometry((c["FixedWindowWidth"], c["FixedWindowHeight"]),
                        (c["FixedButtonWidth"], c["FixedButtonHeight"]), origins)
    except KeyError as missing:
        raise KitError("%s defines no %s" % (path, missing)) from None
