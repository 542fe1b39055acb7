"""The splash window's geometry, read from launcher/geometry.h, the header the launcher, the asset check
and the benchmark's empty popup include."""

import os
import re

from launcherkit import KitError, SOURCE_DIR

HEADER = os.path.join(SOURCE_DIR, "launcher", "geometry.h")


class GeometryError(KitError):
    pass


class Geometry:
    """`window_size` and `button_size` as (width, height); `button_origins`, the top-left corner of each
    button in the window, top to bottom."""

    def __init__(self, window_size, button_size, button_origins):
        self.window_size = window_size
        self.button_size = button_size
        self.button_origins = button_origins

    @property
    def button_count(self):
        return len(self.button_origins)

    def button_box(self, button):
        """(left, top, right, bottom) of a button in the window; right and bottom exclusive."""
        x, y = self.button_origins[button]
        return (x, y, x + self.button_size[0], y + self.button_size[1])

    def button_column(self):
        """The box that holds every button, which a background keeps plain."""
        boxes = [self.button_box(i) for i in range(self.button_count)]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes),
                max(b[3] for b in boxes))


def _constants(text):
    """{name: number or [numbers]} of the header's `constexpr TYPE NAME = VALUE;` lines."""
    found = {}
    for name, value in re.findall(r"(?m)^constexpr\s+\w+\s+(\w+)\s*=\s*([^;]+);", text):
        value = value.strip()
        if value.startswith("{"):
            # A table of rows: {{x0, x1, ...}, {y0, y1, ...}}
            found[name] = [[int(v) for v in row.split(",")] for row in re.findall(r"\{([^{}]*)\}", value)]
        else:
            found[name] = int(value)
    return found


def read(path=HEADER):
    with open(path) as f:
        c = _constants(f.read())
    try:
        origin_x, origin_y = c["buttonOrigins"]
        origins = tuple(zip(origin_x, origin_y))
        if len(origins) != c["ButtonCount"]:
            raise GeometryError("%s: %d button origins for ButtonCount %d" % (path, len(origins), c["ButtonCount"]))
        return Geometry((c["FixedWindowWidth"], c["FixedWindowHeight"]),
                        (c["FixedButtonWidth"], c["FixedButtonHeight"]), origins)
    except KeyError as missing:
        raise GeometryError("%s defines no %s" % (path, missing)) from None
