"""The launcher's pictures, sounds and icon, made from a product's masters and sound sources
(`tools/kit art make`, `tools/kit art check`; `tools/kit art make --help`).

    folders    where a run reads the masters and sound sources and writes the art
    drawing    masters drawn with Pillow where none are given (the product's own drawing for its own)
    captions   whether each of the profile's captions fits its button
    palettes   the colour tables and the reduction of the masters to 256 and 16 colours
    bitmaps    the BMP and ICO writer
    pictures   the three picture sets and the icon from the masters
    sounds     the welcome sound and the hover click, synthesised or from a source, encoded with sox
    manifest   the record of the product and the masters the art was made for, and its check
"""

# The masters, by name; each is NAME.png or NAME.bmp in the masters folder.
BUTTON_MASTERS = ("install-rest", "install-hover", "remove-rest", "remove-hover",
                  "browse-rest", "browse-hover", "cancel-rest", "cancel-hover")
PICTURE_MASTERS = ("background",) + BUTTON_MASTERS
# Each icon size has a master for the 24- and 8-bit images and one in plain VGA colours for the 4-bit image.
ICON_SIZES = (48, 32)
ICON_MASTERS = tuple(name for size in ICON_SIZES for name in ("icon-%d" % size, "icon-%d-vga" % size))
MASTERS = PICTURE_MASTERS + ICON_MASTERS
# The masters that show the product itself (its name, its emblem): a publisher replaces these; the
# buttons are drawn alike for every product.
PRODUCT_MASTERS = ("background",) + ICON_MASTERS

# The sounds, by name; a source is NAME.wav (or .flac, .ogg, .aiff) in the sound sources folder.
SOUNDS = ("welcome", "hover")
