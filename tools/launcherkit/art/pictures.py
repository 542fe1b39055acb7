"""The three picture sets and the icon, from the masters.

true-colour/   the masters as 24-bit BMPs
256-colour/    through one palette: the 20 static Windows colours around 236 shared ones, chosen by
               quantising the background, all buttons and the icon together. The background carries
               the whole table (it becomes the launcher's palette) and is dithered, except the button
               column; install-* and browse-* carry only the shared 236 (biClrUsed 236), remove-* and
               cancel-* the whole table; buttons are not dithered.
16-colour/     the 16 VGA colours; the background dithered except the button column, buttons flat.
icon/launcher.ico  48 and 32 pixels, each at 24, 8 (launcher palette) and 4 bits (VGA).
"""

import sys

from launcherkit.art import BUTTON_MASTERS, ICON_SIZES, PICTURE_MASTERS, TABLE
from launcherkit.art.bitmaps import icon_image, write_bmp, write_ico
from launcherkit.art.drawing import TRAY_GREY
from launcherkit.art.magick import read_pixels
from launcherkit.art.palettes import SHARED_COUNT, VGA, full_palette, remap, remap_background, shared_colours

# 256-colour button pictures whose table holds only the shared colours (palette entries 10..245);
# the other 256-colour pictures carry the whole 256-entry palette.
SHARED_TABLE = {e.slot for e in TABLE.of_kind("BITMAP") if e.bits_per_pixel == 8 and e.form["colours"] == "shared"}
# Where the shared colours start in the launcher's palette.
SHARED_FIRST = TABLE.shared_first


def icon_on_grey(rgba, size):
    """An icon master laid on the light grey of the buttons, as it takes part in the shared colours."""
    rgb = bytearray()
    for i in range(size * size):
        a = rgba[4 * i + 3]
        rgb += bytes(rgba[4 * i + ch] * a // 255 + 192 * (255 - a) // 255 for ch in range(3))
    return bytes(rgb)


def icon_pixels(rgba, size):
    """RGB (black where transparent, edges darkened by their coverage) and alpha of an icon master."""
    alpha = rgba[3::4]
    rgb = bytearray(size * size * 3)
    for i in range(size * size):
        a = alpha[i]
        if a < 128:
            continue  # transparent: black under the mask
        for ch in range(3):
            rgb[3 * i + ch] = rgba[4 * i + ch] * a // 255
    return bytes(rgb), alpha


def warn_of_a_busy_column(path, background, column):
    """Warns when the background's button column is not plain light grey: the gaps between the buttons show
    it, and the 256- and 16-colour sets map it flat, undithered."""
    w, _, rgb = background
    left, top, right, bottom = column
    odd = [(x, y) for y in range(top, bottom) for x in range(left, right)
           if tuple(rgb[3 * (y * w + x):3 * (y * w + x) + 3]) != TRAY_GREY]
    if odd:
        print("make-art: warning: %s: the button column x %d..%d, y %d..%d holds %d pixels that are not plain light "
              "grey (%d,%d,%d), the first at (%d,%d): the gaps between the buttons show them"
              % ((path, left, right - 1, top, bottom - 1, len(odd)) + TRAY_GREY + odd[0]), file=sys.stderr)


class PictureMaker:
    """Writes the picture sets and the icon of one run into `folders`' resource folder."""

    def __init__(self, folders, geometry, tmp):
        self.folders = folders
        self.geometry = geometry
        self.tmp = tmp

    def master(self, name, size, alpha):
        return read_pixels(self.folders.master(name), size, alpha)

    def write(self, depth_folder, name, *bitmap, **header):
        write_bmp(self.folders.output("art", depth_folder, name + ".bmp"), *bitmap, **header)

    def make(self):
        sizes = dict.fromkeys(BUTTON_MASTERS, self.geometry.button_size)
        sizes["background"] = self.geometry.window_size
        masters = {name: sizes[name] + (self.master(name, sizes[name], False),) for name in PICTURE_MASTERS}
        warn_of_a_busy_column(self.folders.master("background"), masters["background"], self.geometry.button_column())
        icons = {size: self.master("icon-%d" % size, (size, size), True) for size in ICON_SIZES}
        shared = shared_colours(self.tmp, [masters[name] for name in PICTURE_MASTERS]
                                + [(size, size, icon_on_grey(icons[size], size)) for size in ICON_SIZES])
        full = full_palette(shared)
        for name in PICTURE_MASTERS:
            self.picture(name, masters[name], shared, full)
        self.icon(icons, full)

    def picture(self, name, master, shared, full):
        w, h, rgb = master
        tmp = self.tmp
        self.write("true-colour", name, w, h, 24, None, rgb)
        if name == "background":
            column = self.geometry.button_column()
            self.write("256-colour", name, w, h, 8, full, remap_background(tmp, w, h, rgb, full, column))
            self.write("16-colour", name, w, h, 4, VGA, remap_background(tmp, w, h, rgb, VGA, column))
            return
        idx = remap(tmp, w, h, rgb, shared, False)
        if name in SHARED_TABLE:
            self.write("256-colour", name, w, h, 8, shared, idx, clr_used=SHARED_COUNT)
        else:
            self.write("256-colour", name, w, h, 8, full, bytes(i + SHARED_FIRST for i in idx))
        self.write("16-colour", name, w, h, 4, VGA, remap(tmp, w, h, rgb, VGA, False))

    def icon(self, icons, full):
        """Six images: 48 and 32 pixels square, each at 24, 8 and 4 bits per pixel. The 24- and 8-bit
        images come from icon-N, the 4-bit ones from the plain-coloured icon-N-vga."""
        images = []
        for size in ICON_SIZES:
            rgb, alpha = icon_pixels(icons[size], size)
            idx8 = remap(self.tmp, size, size, rgb, full, False)
            images.append((size, 24, icon_image(size, 24, None, rgb, alpha)))
            images.append((size, 8, icon_image(size, 8, full, idx8, alpha)))
            rgb, alpha = icon_pixels(self.master("icon-%d-vga" % size, (size, size), True), size)
            idx4 = remap(self.tmp, size, size, rgb, VGA, False)
            images.append((size, 4, icon_image(size, 4, VGA, idx4, alpha)))
        write_ico(self.folders.output("icon", "launcher.ico"), images)
