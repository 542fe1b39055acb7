"""The launcher's resource identifiers by name, read from resources/resource_ids.h, the one list that the
resource script and the launcher's code include too."""
import os
import re

HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "resource_ids.h")


def read(path=HEADER):
    """{name: number} of the header's `#define NAME number` lines."""
    with open(path) as f:
        return {name: int(number) for name, number in re.findall(r"(?m)^#define\s+(\w+)\s+(\d+)\s*$", f.read())}


def picture_set(ids, bits_per_pixel):
    """The bitmap ids of one depth's pictures: background, the buttons at rest and under the pointer (in
    button order), and the remove pictures (at rest, under the pointer)."""
    def picture(slot):
        return ids["IDB_%s_%dBPP" % (slot, bits_per_pixel)]

    return {
        "background": picture("BACKGROUND"),
        "rest": tuple(picture(button + "_REST") for button in ("INSTALL", "BROWSE", "CANCEL")),
        "hover": tuple(picture(button + "_HOVER") for button in ("INSTALL", "BROWSE", "CANCEL")),
        "remove": (picture("REMOVE_REST"), picture("REMOVE_HOVER")),
    }
