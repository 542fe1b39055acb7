"""The colour tables of the 256- and 16-colour pictures, and the reduction of true-colour pixels to
them with ImageMagick."""

import os
import sys

from launcherkit.art import TABLE
from launcherkit.art.magick import CONVERT, run, write_ppm


def hexrgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


# The 20 colours Windows keeps in every 256-colour palette: entries 0-9 and 246-255.
STATIC_LOW = [hexrgb(c) for c in ("000000", "800000", "008000", "808000", "000080",
                                  "800080", "008080", "C0C0C0", "C0DCC0", "A6CAF0")]
STATIC_HIGH = [hexrgb(c) for c in ("FFFBF0", "A0A0A4", "808080", "FF0000", "00FF00",
                                   "FFFF00", "0000FF", "FF00FF", "00FFFF", "FFFFFF")]
# The 16 standard VGA colours, in the order of a 4-bit Windows colour table.
VGA = [hexrgb(c) for c in ("000000", "800000", "008000", "808000", "000080", "800080", "008080", "C0C0C0",
                           "808080", "FF0000", "00FF00", "FFFF00", "0000FF", "FF00FF", "00FFFF", "FFFFFF")]
# Colours of the classic three-dimensional button, always kept exactly in the shared palette.
BUTTON_COLOURS = [hexrgb(c) for c in ("C0C0C0", "FFFFFF", "DFDFDF", "808080", "000000", "202020")]
# The colours between the static ones: palette entries 10..245.
SHARED_COUNT = TABLE.shared_count


def full_palette(shared):
    """The launcher's 256-entry palette: the static colours around the shared ones."""
    return STATIC_LOW + shared + STATIC_HIGH


def shared_colours(tmp, pictures):
    """236 colours for all pictures (width, height, rgb) together: the button colours plus a
    quantisation of the rest."""
    files = []
    for i, (w, h, rgb) in enumerate(pictures):
        p = os.path.join(tmp, "all-%02d.ppm" % i)
        write_ppm(p, w, h, rgb)
        files.append(p)
    raw = run([CONVERT] + files + ["-background", "#C0C0C0", "-append", "+dither",
                                   "-colors", str(SHARED_COUNT - len(BUTTON_COLOURS)), "-unique-colors",
                                   "-depth", "8", "rgb:-"])
    colours = list(BUTTON_COLOURS)
    for i in range(0, len(raw), 3):
        c = tuple(raw[i:i + 3])
        if c not in colours:
            colours.append(c)
    colours = colours[:SHARED_COUNT]
    while len(colours) < SHARED_COUNT:
        colours.append(colours[-1])
    return colours


def remap(tmp, width, height, rgb, table, dither):
    """Indices into `table` for each pixel (top row first), through ImageMagick's -remap."""
    src = os.path.join(tmp, "remap-in.ppm")
    pal = os.path.join(tmp, "remap-palette.ppm")
    write_ppm(src, width, height, rgb)
    write_ppm(pal, len(table), 1, b"".join(bytes(c) for c in table))
    dither_args = ["-dither", "FloydSteinberg"] if dither else ["+dither"]
    out = run([CONVERT, src] + dither_args + ["-remap", pal, "-depth", "8", "rgb:-"])
    lookup = {}
    for i, c in enumerate(table):
        lookup.setdefault(c, i)
    indices = bytearray(width * height)
    for i in range(width * height):
        c = tuple(out[3 * i:3 * i + 3])
        if c not in lookup:
            sys.exit("make-art: colour reduction produced %r outside the palette" % (c,))
        indices[i] = lookup[c]
    return indices


def remap_background(tmp, width, height, rgb, table, button_column):
    """Dithered, except the button column (left, top, right, bottom), which stays flat."""
    dithered = remap(tmp, width, height, rgb, table, True)
    flat = remap(tmp, width, height, rgb, table, False)
    l, t, r, b = button_column
    for y in range(t, b):
        dithered[y * width + l:y * width + r] = flat[y * width + l:y * width + r]
    return dithered
