"""The launcher's pictures, sounds and icon, made from a product's masters and sound sources (tools/kit art make,
tools/kit art check; tools/art/README.md tells the whole pipeline)."""

import os

from launcherkit import resource_table

TABLE = resource_table.read()


def _made_order(entry):
    """The order in which the pictures take part in the shared colours: the background, then button by button,
    each at rest then under the pointer, install before remove."""
    button = entry.button()
    return (-1,) if button is None else (button[0], button[2] is True, button[1])


# The masters, by name (the pictures' slots in the table of resources); each is NAME.png or NAME.bmp.
PICTURE_MASTERS = tuple(dict.fromkeys(e.slot for e in sorted(TABLE.of_kind("BITMAP"), key=_made_order)))
BUTTON_MASTERS = tuple(name for name in PICTURE_MASTERS if name != "background")
# Each icon size has a master for the 24- and 8-bit images and one in plain VGA colours for the 4-bit image.
ICON_SIZES = tuple(dict.fromkeys(int(image.split("x")[0]) for entry in TABLE.of_kind("ICON")
                                 for image in entry.form["images"].split(",")))
ICON_MASTERS = tuple(name for size in ICON_SIZES for name in ("icon-%d" % size, "icon-%d-vga" % size))
MASTERS = PICTURE_MASTERS + ICON_MASTERS
# The masters that show the product itself (its name, its emblem): a publisher replaces these; the
# buttons are drawn alike for every product.
PRODUCT_MASTERS = ("background",) + ICON_MASTERS
# The sounds' forms in the table of resources, by name (their files' names).
SOUNDS = {os.path.splitext(os.path.basename(entry.path))[0]: entry.form for entry in TABLE.of_kind("WAVE")}
