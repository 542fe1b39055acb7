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

from PIL import Image, ImageMath

from launcherkit.art import BUTTON_MASTERS, ICON_SIZES, PICTURE_MASTERS
from launcherkit.art.bitmaps import icon_image, write_bmp, write_ico
from launcherkit.art.drawing import TRAY_GREY
from launcherkit.art.palettes import SHARED_COUNT, VGA, full_palette, remap, remap_background, shared_colours

# 256-colour button pictures whose table holds only the shared colours (palette entries 10..245);
# the other 256-colour pictures carry the whole 256-entry palette.
SHARED_TABLE = {"install-rest", "install-hover", "browse-rest", "browse-hover"}
# Where the shared colours start in the launcher's palette.
SHARED_FIRST = 10


def read_master(path, size, alpha=False):
    """The master's picture (RGB laid on light grey, or RGBA with `alpha`); exits with a line unless it is a
    picture of `size` (width, height)."""
    try:
        with Image.open(path) as picture:
            picture.load()
    except (OSError, SyntaxError, ValueError) as error:
        sys.exit("make-art: %s: found a file Pillow cannot read (%s); required a PNG or 24-bit BMP picture of %dx%d "
                 "pixels" % ((path, error) + tuple(size)))
    if picture.size != tuple(size):
        sys.exit("make-art: %s is %dx%d pixels, required %dx%d" % ((path,) + picture.size + tuple(size)))
    picture = picture.convert("RGBA")
    if alpha:
        return picture
    return Image.alpha_composite(Image.new("RGBA", picture.size, TRAY_GREY + (255,)), picture).convert("RGB")


def icon_pixels(icon):
    """RGB (black where transparent, alpha below 128; elsewhere darkened by its coverage, c * a / 255 rounded
    down) and alpha of an icon master."""
    alpha = icon.getchannel("A")
    rgb = Image.merge("RGB", [ImageMath.eval("convert(c * a / 255 * (a >= 128), 'L')", c=channel, a=alpha)
                              for channel in icon.split()[:3]])
    return rgb, alpha.tobytes()


def warn_of_a_busy_column(path, background, column):
    """Warns when the background's button column is not plain light grey: the gaps between the buttons show
    it, and the 256- and 16-colour sets map it flat, undithered."""
    left, top, right, bottom = column
    odd = [(x, y) for y in range(top, bottom) for x in range(left, right) if background.getpixel((x, y)) != TRAY_GREY]
    if odd:
        print("make-art: warning: %s: the button column x %d..%d, y %d..%d holds %d pixels that are not plain light "
              "grey (%d,%d,%d), the first at (%d,%d): the gaps between the buttons show them"
              % ((path, left, right - 1, top, bottom - 1, len(odd)) + TRAY_GREY + odd[0]), file=sys.stderr)


class PictureMaker:
    """Writes the picture sets and the icon of one run into `folders`' resource folder."""

    def __init__(self, folders, geometry):
        self.folders = folders
        self.geometry = geometry

    def master(self, name, size, alpha=False):
        return read_master(self.folders.master(name), size, alpha)

    def write(self, depth_folder, name, picture, bpp, table, pixels, **header):
        write_bmp(self.folders.output("art", depth_folder, name + ".bmp"), picture.width, picture.height, bpp, table,
                  pixels, **header)

    def make(self):
        sizes = dict.fromkeys(BUTTON_MASTERS, self.geometry.button_size)
        sizes["background"] = self.geometry.window_size
        masters = {name: self.master(name, sizes[name]) for name in PICTURE_MASTERS}
        warn_of_a_busy_column(self.folders.master("background"), masters["background"], self.geometry.button_column())
        icons = {size: self.master("icon-%d" % size, (size, size), True) for size in ICON_SIZES}
        # The icons take part laid on the light grey of the buttons.
        shared = shared_colours([masters[name] for name in PICTURE_MASTERS]
                                + [self.master("icon-%d" % size, (size, size)) for size in ICON_SIZES])
        full = full_palette(shared)
        for name in PICTURE_MASTERS:
            self.picture(name, masters[name], shared, full)
        self.icon(icons, full)

    def picture(self, name, master, shared, full):
        self.write("true-colour", name, master, 24, None, master.tobytes())
        if name == "background":
            column = self.geometry.button_column()
            self.write("256-colour", name, master, 8, full, remap_background(master, full, column))
            self.write("16-colour", name, master, 4, VGA, remap_background(master, VGA, column))
            return
        idx = remap(master, shared)
        if name in SHARED_TABLE:
            self.write("256-colour", name, master, 8, shared, idx, clr_used=SHARED_COUNT)
        else:
            self.write("256-colour", name, master, 8, full, bytes(i + SHARED_FIRST for i in idx))
        self.write("16-colour", name, master, 4, VGA, remap(master, VGA))

    def icon(self, icons, full):
        """Six images: 48 and 32 pixels square, each at 24, 8 and 4 bits per pixel. The 24- and 8-bit
        images come from icon-N, the 4-bit ones from the plain-coloured icon-N-vga."""
        images = []
        for size in ICON_SIZES:
            rgb, alpha = icon_pixels(icons[size])
            images.append((size, 24, icon_image(size, 24, None, rgb.tobytes(), alpha)))
            images.append((size, 8, icon_image(size, 8, full, remap(rgb, full), alpha)))
            rgb, alpha = icon_pixels(self.master("icon-%d-vga" % size, (size, size), True))
            images.append((size, 4, icon_image(size, 4, VGA, remap(rgb, VGA), alpha)))
        write_ico(self.folders.output("icon", "launcher.ico"), images)
