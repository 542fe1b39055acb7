"""The launcher's resource identifiers by name, read from resources/resource_ids.h: the one list that
the resource script, the launcher's code and the asset check include too."""

import os
import re

from launcherkit import SOURCE_DIR

HEADER = os.path.join(SOURCE_DIR, "resources", "resource_ids.h")

# Button slots top to bottom, as the identifiers name them; button 0 shows "REMOVE" once installed.
BUTTON_NAMES = ("INSTALL", "BROWSE", "CANCEL")
# The picture sets by their bits per pixel: 16 colours, 256 colours, true colour.
DEPTHS = (4, 8, 24)


def read(path=HEADER):
    """{name: number} of the header's `#define NAME number` lines."""
    with open(path) as f:
        return {name: int(number) for name, number in re.findall(r"(?m)^#define\s+(\w+)\s+(\d+)\s*$", f.read())}


class PictureSet:
    """The bitmap identifiers of one depth's pictures: `background`, `rest` and `hover` (the buttons at
    rest and under the pointer, in button order) and `remove` (button 0's at rest and under the pointer
    once the product is installed)."""

    def __init__(self, ids, bits_per_pixel):
        def picture(slot):
            return ids["IDB_%s_%dBPP" % (slot, bits_per_pixel)]

        self.bits_per_pixel = bits_per_pixel
        self.background = picture("BACKGROUND")
        self.rest = tuple(picture(button + "_REST") for button in BUTTON_NAMES)
        self.hover = tuple(picture(button + "_HOVER") for button in BUTTON_NAMES)
        self.remove = (picture("REMOVE_REST"), picture("REMOVE_HOVER"))

    def button(self, button, under_pointer, installed=False):
        """The picture of `button` at rest or under the pointer; button 0's remove picture once installed."""
        if button == 0 and installed:
            return self.remove[1 if under_pointer else 0]
        return (self.hover if under_pointer else self.rest)[button]

    def all(self):
        return (self.background,) + self.rest + self.hover + self.remove
