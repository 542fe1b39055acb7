"""The colour tables of the 256- and 16-colour pictures, and the reduction of true-colour pictures to them."""

from PIL import Image, ImageColor

from launcherkit.art import TABLE


def hexrgb(text):
    return ImageColor.getrgb("#" + text)


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


def shared_colours(pictures):
    """236 colours for all `pictures` (RGB images) together: the button colours plus a median cut of them all,
    laid one under the other on light grey."""
    sheet = Image.new("RGB", (max(p.width for p in pictures), sum(p.height for p in pictures)), BUTTON_COLOURS[0])
    top = 0
    for picture in pictures:
        sheet.paste(picture, (0, top))
        top += picture.height
    reduced = sheet.quantize(SHARED_COUNT - len(BUTTON_COLOURS), method=Image.Quantize.MEDIANCUT)
    entries = reduced.getpalette()
    colours = list(BUTTON_COLOURS)
    for _, index in sorted(reduced.getcolors(), key=lambda counted: counted[1]):
        colour = tuple(entries[3 * index:3 * index + 3])
        if colour not in colours:
            colours.append(colour)
    return (colours + colours[-1:] * SHARED_COUNT)[:SHARED_COUNT]


def octree_key(colour):
    """The colour's bits interleaved from the highest down (blue, green, red at each level): of colours equally
    near a pixel the one of the largest key is taken, as ImageMagick's colour tree did."""
    key = 0
    for bit in range(7, -1, -1):
        for channel in (2, 1, 0):
            key = key << 1 | (colour[channel] >> bit & 1)
    return key


def nearest(colour, table):
    """The index of `table`'s entry nearest to `colour` (the first index of that entry's colour)."""
    return table.index(min(table, key=lambda c: (sum((a - b) ** 2 for a, b in zip(c, colour)), -octree_key(c))))


def remap(picture, table, dither=False):
    """Indices into `table` for each pixel of the RGB image `picture` (top row first): the nearest entry, or,
    with `dither`, through Pillow's Floyd-Steinberg error diffusion."""
    if dither:
        entries = table + table[:1] * (256 - len(table))  # Pillow's palettes have 256 entries
        palette = Image.new("P", (1, 1))
        palette.putpalette([v for c in entries for v in c])
        indices = picture.quantize(palette=palette, dither=Image.Dither.FLOYDSTEINBERG).tobytes()
        # An entry that repeats an earlier colour stands for that earlier one.
        return indices.translate(bytes(table.index(c) for c in entries))
    lookup = {colour: nearest(colour, table) for _, colour in picture.getcolors(picture.width * picture.height)}
    return bytes(lookup[colour] for colour in picture.getdata())


def remap_background(picture, table, button_column):
    """Dithered, except the button column (left, top, right, bottom), which stays flat."""
    indices = Image.frombytes("L", picture.size, remap(picture, table, dither=True))
    column = picture.crop(button_column)
    indices.paste(Image.frombytes("L", column.size, remap(column, table)), button_column[:2])
    return indices.tobytes()
