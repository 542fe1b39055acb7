"""The three picture sets (true colour, 256 colours through one shared palette, 16 VGA colours) and the icon,
from the masters."""

import sys

from PIL import Image, ImageMath

from launcherkit.art import BUTTON_MASTERS, ICON_SIZES, PICTURE_MASTERS, TABLE
from launcherkit.art.bitmaps import icon_image, write_bmp, write_ico
from launcherkit.art.drawing import TRAY_GREY
from launcherkit.art.palettes import SHARED_COUNT, VGA, full_palette, remap, remap_background, shared_colours

# 256-colour button pictures whose table holds only the shared colours (palette entries 10..245);
# the other 256-colour pictures carry the whole 256-entry palette.
SHARED_TABLE = {e.slot for e in TABLE.of_kind("BITMAP") if e.bits_per_pixel == 8 and e.form["colours"] == "shared"}


def read_master(path, size, alpha=False):
    """The master's picture (RGB laid on light grey, or RGBA with `alpha`); exits unless it is one of `size`."""
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
    """Warns when the background's button column, which the gaps between the buttons show, is not plain grey."""
    left, top, right, bottom = column
    odd = [(x, y) for y in range(top, bottom) for x in range(left, right) if background.getpixel((x, y)) != TRAY_GREY]
    if odd:
        print("make-art: warning: %s: the button column x %d..%d, y %d..%d holds %d pixels that are not plain light "
              "grey (%d,%d,%d), the first at (%d,%d): the gaps between the buttons show them"
              % ((path, left, right - 1, top, bottom - 1, len(odd)) + TRAY_GREY + odd[0]), file=sys.stderr)


def make_pictures(folders, geometry):
    """Writes the picture sets and the icon into `folders`' resource folder. The background (dithered, but for
    its button column) carries the launcher's whole palette; the buttons of SHARED_TABLE only the shared colours."""
    def master(name, size, alpha=False):
        return read_master(folders.master(name), size, alpha)

    def write(depth_folder, name, bpp, table, pixels, clr_used=0):
        write_bmp(folders.output("art", depth_folder, name + ".bmp"), *sizes[name], bpp, table, pixels, clr_used)

    sizes = dict.fromkeys(BUTTON_MASTERS, geometry.button_size)
    sizes["background"] = geometry.window_size
    column = geometry.button_column()
    masters = {name: master(name, sizes[name]) for name in PICTURE_MASTERS}
    warn_of_a_busy_column(folders.master("background"), masters["background"], column)
    # The icons take part laid on the light grey of the buttons.
    shared = shared_colours([masters[name] for name in PICTURE_MASTERS]
                            + [master("icon-%d" % size, (size, size)) for size in ICON_SIZES])
    full = full_palette(shared)
    for name, picture in masters.items():
        write("true-colour", name, 24, None, picture.tobytes())
        if name == "background":
            write("256-colour", name, 8, full, remap_background(picture, full, column))
            write("16-colour", name, 4, VGA, remap_background(picture, VGA, column))
            continue
        indices = remap(picture, shared)
        if name in SHARED_TABLE:
            write("256-colour", name, 8, shared, indices, clr_used=SHARED_COUNT)
        else:
            write("256-colour", name, 8, full, bytes(i + TABLE.shared_first for i in indices))
        write("16-colour", name, 4, VGA, remap(picture, VGA))
    # Each icon size at 24, 8 and 4 bits per pixel; the 4-bit image from the plain-coloured icon-N-vga.
    images = []
    for size in ICON_SIZES:
        rgb, alpha = icon_pixels(master("icon-%d" % size, (size, size), True))
        images.append((size, 24, icon_image(size, 24, None, rgb.tobytes(), alpha)))
        images.append((size, 8, icon_image(size, 8, full, remap(rgb, full), alpha)))
        rgb, alpha = icon_pixels(master("icon-%d-vga" % size, (size, size), True))
        images.append((size, 4, icon_image(size, 4, VGA, remap(rgb, VGA), alpha)))
    write_ico(folders.output("icon", "launcher.ico"), images)
