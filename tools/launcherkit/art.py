"""Builds the launcher's pictures, sounds and icon under resources/ (or a product profile's folders).

  tools/art/make-art            draw the masters that are missing, then build every tier
  tools/art/make-art --redraw   redraw the shipped masters too (a replaced master is redrawn as well)
  tools/art/make-art --profile FILE [--plain COLOUR]
                                the same for another product: masters from the profile's art_masters,
                                sound sources from its sound_sources, output into its resource_folder;
                                --plain draws missing masters plainly: a background of COLOUR (#RRGGBB)
                                with the profile's product and company name, and an emblem of its initial
  --masters DIR, --sounds DIR, --out DIR  the three folders one by one (they override --profile's)

Masters (24-bit pictures, the editable form) live in resources/art/masters/. A master may be a
PNG or a 24-bit BMP of the required size; a PNG is preferred when both are present. From them the
script writes the three tiers of bitmaps (true colour, 256 colours through one shared palette,
16 VGA colours) into OUT/art/, the welcome chime and hover click into OUT/sounds/, and the icon into
OUT/icon/ (OUT is resources/ by default). Outputs are byte-for-byte the same on every run: no time
stamps or other metadata are written.

Needs Python 3 (standard library only), ImageMagick 6 at /usr/bin/convert, sox at /usr/bin/sox and
the DejaVu fonts (scripts/install-deps.sh --art).
"""

import argparse
import math
import os
import re
import struct
import subprocess
import sys
import tempfile
import wave

from launcherkit.profile import ProfileError, read_profile

CONVERT = "/usr/bin/convert"
SOX = "/usr/bin/sox"
FONTS = "/usr/share/fonts/truetype/dejavu"

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
# The folders of this run; main() sets them from the options.
RESOURCES = os.path.join(ROOT, "resources")
MASTERS = os.path.join(RESOURCES, "art", "masters")
SOUND_SOURCES = os.path.join(RESOURCES, "sounds", "sources")

BACKGROUND_SIZE = (530, 360)
BUTTON_SIZE = (90, 40)
ICON_SIZES = (48, 32)

# The column where the three buttons sit: kept plain light grey and never dithered.
BUTTON_COLUMN = (30, 180, 120, 330)  # left, top, right, bottom (exclusive)
# The grey panel drawn around that column on the shipped background.
PANEL = (20, 170, 130, 340)
PANEL_GREY = (192, 192, 192)

# Button masters: name -> (caption, pressed).
BUTTONS = {
    "install-rest": ("installieren", False),
    "install-hover": ("installieren", True),
    "remove-rest": ("entfernen", False),
    "remove-hover": ("entfernen", True),
    "browse-rest": ("CD\ndurchsuchen", False),
    "browse-hover": ("CD\ndurchsuchen", True),
    "cancel-rest": ("abbrechen", False),
    "cancel-hover": ("abbrechen", True),
}

# The 20 colours Windows keeps in every 256-colour palette: entries 0-9 and 246-255.
STATIC_LOW = ["000000", "800000", "008000", "808000", "000080",
              "800080", "008080", "C0C0C0", "C0DCC0", "A6CAF0"]
STATIC_HIGH = ["FFFBF0", "A0A0A4", "808080", "FF0000", "00FF00",
               "FFFF00", "0000FF", "FF00FF", "00FFFF", "FFFFFF"]
# The 16 standard VGA colours, in the order of a 4-bit Windows colour table.
VGA = ["000000", "800000", "008000", "808000", "000080", "800080", "008080", "C0C0C0",
       "808080", "FF0000", "00FF00", "FFFF00", "0000FF", "FF00FF", "00FFFF", "FFFFFF"]
# Colours of the classic three-dimensional button, always kept exactly in the shared palette.
BUTTON_COLOURS = ["C0C0C0", "FFFFFF", "DFDFDF", "808080", "000000", "202020"]

# 256-colour button pictures whose table holds only the shared 236 colours (palette entries 10..245,
# biClrUsed 236); the other 256-colour pictures carry the whole 256-entry palette.
SHARED_TABLE = {"install-rest", "install-hover", "browse-rest", "browse-hover"}

WELCOME_SAMPLES = 61800  # exactly; the encoder records it in the "fact" chunk
HOVER_SAMPLES = round(0.37 * 44100)
RATE = 44100


def hexrgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def run(args, **kwargs):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE, **kwargs).stdout


def font(name):
    return os.path.join(FONTS, name)


# ---------------------------------------------------------------- drawing the masters

PNG_OUT = ["-strip", "-define", "png:exclude-chunks=date,time", "-define", "png:color-type=2",
           "-depth", "8"]
PNG_OUT_ALPHA = ["-strip", "-define", "png:exclude-chunks=date,time", "-define",
                 "png:color-type=6", "-depth", "8"]


def emblem_args(size, flat=False):
    """ImageMagick arguments that leave the product emblem (a disc shaped as a Q) on the stack,
    `size` pixels square with transparency. Drawn at eight times the size, then reduced.
    `flat` draws it in plain VGA colours, for the 16-colour icon images."""
    s = size * 8
    k = s / 384.0

    def p(v):
        return "%d" % round(v * k)

    c = p(176)
    return [
        "(", "-size", "%dx%d" % (s, s), "-define", "gradient:angle=135",
        "gradient:#7fd3f7-#1b4f9c" if not flat else "xc:#0000FF", ")",
        "(", "-size", "%dx%d" % (s, s), "xc:black", "-fill", "white",
        "-draw", "circle %s,%s %s,%s" % (c, c, c, p(12)), ")",
        "-alpha", "off", "-compose", "CopyOpacity", "-composite", "-compose", "Over",
        "-fill", "none", "-stroke", "rgba(255,255,255,0.4)" if not flat else "#00FFFF",
        "-strokewidth", p(5) if not flat else p(14),
        "-draw", "circle %s,%s %s,%s" % (c, c, c, p(26)),
        "-stroke", "#0d2a55" if not flat else "#000080", "-strokewidth", p(64),
        "-draw", "stroke-linecap round line %s,%s %s,%s" % (p(250), p(250), p(350), p(350)),
        "-stroke", "white", "-strokewidth", p(40),
        "-draw", "circle %s,%s %s,%s" % (c, c, c, p(70)),
        "-draw", "stroke-linecap round line %s,%s %s,%s" % (p(250), p(250), p(350), p(350)),
        "-stroke", "none", "-fill", "#0d2a55" if not flat else "#000080",
        "-draw", "circle %s,%s %s,%s" % (c, c, c, p(152)),
        "-filter", "Lanczos", "-resize", "%dx%d" % (size, size),
    ]


def tray_args():
    """ImageMagick arguments that draw the grey tray holding the buttons, edges raised."""
    l, t, r, b = PANEL
    return ["-strokewidth", "1", "-stroke", "none", "-fill", "#%02X%02X%02X" % PANEL_GREY,
            "-draw", "rectangle %d,%d %d,%d" % (l, t, r - 1, b - 1),
            "-fill", "none", "-stroke", "#E8E8E8",
            "-draw", "line %d,%d %d,%d" % (l, t, r - 1, t), "-draw", "line %d,%d %d,%d" % (l, t, l, b - 1),
            "-stroke", "#606060",
            "-draw", "line %d,%d %d,%d" % (r - 1, t + 1, r - 1, b - 1),
            "-draw", "line %d,%d %d,%d" % (l + 1, b - 1, r - 1, b - 1),
            "-stroke", "none", "-gravity", "NorthWest"]


def draw_background(path):
    w, h = BACKGROUND_SIZE
    args = [CONVERT,
            "-size", "%dx%d" % (w, h), "-define", "gradient:angle=120", "gradient:#0a1a3a-#13707f",
            # soft light discs
            "(", "-size", "%dx%d" % (w, h), "xc:none",
            "-fill", "rgba(255,255,255,0.07)", "-draw", "circle 470,300 470,120",
            "-fill", "rgba(120,220,255,0.08)", "-draw", "circle 520,40 520,-60",
            "-fill", "rgba(255,255,255,0.05)", "-draw", "circle 330,380 330,250",
            "-blur", "0x6", ")", "-composite",
            # sweeping vanes of light
            "(", "-size", "%dx%d" % (w, h), "xc:none", "-fill", "none", "-strokewidth", "1.5",
            "-stroke", "rgba(170,235,255,0.35)", "-draw", "ellipse 560,400 330,260 180,265",
            "-stroke", "rgba(170,235,255,0.22)", "-draw", "ellipse 560,400 300,230 180,265",
            "-stroke", "rgba(170,235,255,0.15)", "-draw", "ellipse 560,400 270,200 180,265",
            "-blur", "0x0.6", ")", "-composite",
            # the emblem with a soft shadow
            "(", "-size", "%dx%d" % (w, h), "xc:none", "-fill", "rgba(0,0,0,0.45)",
            "-draw", "circle 77,89 77,45", "-blur", "0x4", ")", "-composite",
            "("] + emblem_args(96) + [")", "-geometry", "+27+37", "-composite",
            "+geometry"] + tray_args() + [
            # title, tagline, welcome text and footer
            "-font", font("DejaVuSans-Bold.ttf"), "-pointsize", "18", "-kerning", "4",
            "-fill", "#9fe0f5", "-annotate", "+148+38", "QELVAR",
            "-font", font("DejaVuSans-ExtraLight.ttf"), "-kerning", "0", "-pointsize", "50",
            "-fill", "white", "-annotate", "+144+58", "Lumivane",
            "-fill", "#7fc8e0", "-draw", "rectangle 148,128 330,129",
            "-font", font("DejaVuSans-Oblique.ttf"), "-pointsize", "15", "-fill", "#e6f4fa",
            "-annotate", "+148+140", "Licht, das Ihre Ideen sichtbar macht.",
            "-font", font("DejaVuSans.ttf"), "-pointsize", "11", "-fill", "#cfe6ee",
            "-annotate", "+150+190",
            "Willkommen! Installieren Sie Qelvar Lumivane\n"
            "auf Ihrem Computer oder sehen Sie sich\nden Inhalt dieser CD an.",
            "-font", font("DejaVuSans.ttf"), "-pointsize", "9", "-fill", "#9cc3cf",
            "-gravity", "SouthEast", "-annotate", "+14+10",
            "Version 1.0   \u00b7   \u00a9 2024 Qelvar Software GmbH",
            ] + PNG_OUT + [path]
    run(args)


def draw_button(path, caption, pressed):
    w, h = BUTTON_SIZE
    if pressed:
        outer_tl, inner_tl, outer_br, inner_br, shift = "#808080", "#000000", "#FFFFFF", "#DFDFDF", 1
    else:
        outer_tl, inner_tl, outer_br, inner_br, shift = "#DFDFDF", "#FFFFFF", "#000000", "#808080", 0
    r, b = w - 1, h - 1
    args = [CONVERT, "-size", "%dx%d" % (w, h), "xc:#C0C0C0", "-stroke", "none",
            "-fill", outer_br, "-draw", "rectangle 0,%d %d,%d" % (b, r, b),
            "-draw", "rectangle %d,0 %d,%d" % (r, r, b),
            "-fill", outer_tl, "-draw", "rectangle 0,0 %d,0" % (r - 1),
            "-draw", "rectangle 0,0 0,%d" % (b - 1),
            "-fill", inner_br, "-draw", "rectangle 1,%d %d,%d" % (b - 1, r - 1, b - 1),
            "-draw", "rectangle %d,1 %d,%d" % (r - 1, r - 1, b - 1),
            "-fill", inner_tl, "-draw", "rectangle 1,1 %d,1" % (r - 2),
            "-draw", "rectangle 1,1 1,%d" % (b - 2),
            "-font", font("DejaVuSansCondensed-Bold.ttf"), "-pointsize", "12",
            "-gravity", "center", "-interline-spacing", "-1",
            "-fill", "#202020", "-annotate", "+%d+%d" % (shift + 1, shift + 1), caption,
            "-fill", "white", "-annotate", "+%d+%d" % (shift, shift), caption,
            ] + PNG_OUT + [path]
    run(args)


def draw_icon(path, size, flat):
    run([CONVERT, "-background", "none"] + emblem_args(size, flat) + PNG_OUT_ALPHA + [path])


# ---------------------------------------------------------------- plain masters for another product

def shade(colour, factor):
    return "#%02X%02X%02X" % tuple(min(255, round(c * factor)) for c in hexrgb(colour.lstrip("#")))


def draw_plain_background(path, colour, title, company):
    """A gradient of `colour` with the product's name and its company, and the grey button tray."""
    w, h = BACKGROUND_SIZE
    title, company = title.replace("%", "%%"), company.replace("%", "%%")  # ImageMagick's escapes
    run([CONVERT, "-size", "%dx%d" % (w, h), "-define", "gradient:angle=150",
         "gradient:%s-%s" % (shade(colour, 1.0), shade(colour, 0.45))] + tray_args() + [
        "-font", font("DejaVuSans-ExtraLight.ttf"), "-pointsize", "40", "-fill", "white",
        "-annotate", "+40+60", title,
        "-fill", shade(colour, 2.2), "-draw", "rectangle 42,118 300,119",
        "-font", font("DejaVuSans.ttf"), "-pointsize", "11", "-fill", "#F0F0F0",
        "-annotate", "+150+190", "Willkommen! Installieren Sie %s\noder sehen Sie sich den\nInhalt dieser CD an." % title,
        "-pointsize", "9", "-gravity", "SouthEast", "-annotate", "+14+10", company,
    ] + PNG_OUT + [path])


def draw_plain_icon(path, size, colour, letter, flat):
    """A disc of `colour` with the product's initial in white; `flat` in the nearest VGA colours."""
    s = size * 8
    fill = colour if not flat else "#%s" % min(VGA, key=lambda v: sum((a - b) ** 2 for a, b in
                                                                   zip(hexrgb(v), hexrgb(colour.lstrip("#")))))
    run([CONVERT, "-size", "%dx%d" % (s, s), "xc:none", "-fill", fill,
         "-draw", "circle %d,%d %d,%d" % (s // 2, s // 2, s // 2, s // 32),
         "-font", font("DejaVuSans-Bold.ttf"), "-pointsize", str(s * 6 // 10), "-fill", "white",
         "-gravity", "center", "-annotate", "+0+0", letter,
         "-filter", "Lanczos", "-resize", "%dx%d" % (size, size)] + PNG_OUT_ALPHA + [path])


def master_drawers(plain=None):
    """name -> (size, alpha, draw(path)). `plain`: (colour, product name, company) for plain masters."""
    drawers = {"background": (BACKGROUND_SIZE, False, draw_background)}
    if plain:
        drawers["background"] = (BACKGROUND_SIZE, False, lambda p: draw_plain_background(p, *plain))
    for name, (caption, pressed) in BUTTONS.items():
        drawers[name] = (BUTTON_SIZE, False,
                         lambda p, c=caption, pr=pressed: draw_button(p, c, pr))
    for size in ICON_SIZES:
        if plain:
            colour, title = plain[0], plain[1]
            drawers["icon-%d" % size] = ((size, size), True,
                                         lambda p, s=size: draw_plain_icon(p, s, colour, title[0], False))
            drawers["icon-%d-vga" % size] = ((size, size), True,
                                             lambda p, s=size: draw_plain_icon(p, s, colour, title[0], True))
        else:
            drawers["icon-%d" % size] = ((size, size), True, lambda p, s=size: draw_icon(p, s, False))
            drawers["icon-%d-vga" % size] = ((size, size), True, lambda p, s=size: draw_icon(p, s, True))
    return drawers


def find_master(name):
    for ext in (".png", ".bmp"):
        path = os.path.join(MASTERS, name + ext)
        if os.path.exists(path):
            return path
    return None


def read_master(name, size, alpha):
    """The master's pixels as bytes (RGB, or RGBA for icons), after checking its size."""
    path = find_master(name)
    found = run([CONVERT, path + "[0]", "-format", "%w %h", "info:"]).decode().split()
    if (int(found[0]), int(found[1])) != size:
        sys.exit("make-art: %s is %sx%s pixels, required %dx%d"
                 % (os.path.relpath(path, ROOT), found[0], found[1], size[0], size[1]))
    if alpha:
        return run([CONVERT, path + "[0]", "-alpha", "set", "-depth", "8", "rgba:-"])
    return run([CONVERT, path + "[0]", "-background", "#C0C0C0", "-alpha", "remove",
                "-alpha", "off", "-depth", "8", "rgb:-"])


# ---------------------------------------------------------------- colour reduction

def write_ppm(path, width, height, rgb):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(rgb)


def palette_image(path, colours):
    write_ppm(path, len(colours), 1, b"".join(bytes(c) for c in colours))


def shared_colours(tmp, pictures):
    """236 colours for all pictures together: the button colours plus a quantisation of the rest."""
    reserved = [hexrgb(c) for c in BUTTON_COLOURS]
    files = []
    for i, (w, h, rgb) in enumerate(pictures):
        p = os.path.join(tmp, "all-%02d.ppm" % i)
        write_ppm(p, w, h, rgb)
        files.append(p)
    raw = run([CONVERT] + files + ["-background", "#C0C0C0", "-append", "+dither",
                                   "-colors", str(236 - len(reserved)), "-unique-colors",
                                   "-depth", "8", "rgb:-"])
    colours = list(reserved)
    for i in range(0, len(raw), 3):
        c = tuple(raw[i:i + 3])
        if c not in colours:
            colours.append(c)
    colours = colours[:236]
    while len(colours) < 236:
        colours.append(colours[-1])
    return colours


def remap(tmp, width, height, rgb, table, dither):
    """Indices into `table` for each pixel (top row first), through ImageMagick's -remap."""
    src = os.path.join(tmp, "remap-in.ppm")
    pal = os.path.join(tmp, "remap-palette.ppm")
    write_ppm(src, width, height, rgb)
    palette_image(pal, table)
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


def remap_background(tmp, width, height, rgb, table):
    """Dithered, except the button column, which stays flat."""
    dithered = remap(tmp, width, height, rgb, table, True)
    flat = remap(tmp, width, height, rgb, table, False)
    l, t, r, b = BUTTON_COLUMN
    for y in range(t, b):
        dithered[y * width + l:y * width + r] = flat[y * width + l:y * width + r]
    return dithered


# ---------------------------------------------------------------- writing bitmaps and icons

def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def pack_rows(width, height, bpp, pixels):
    """Scan lines bottom-up, padded to 4 bytes. `pixels` is indices (4/8 bit) or RGB bytes (24 bit),
    top row first."""
    stride = row_bytes(width, bpp)
    rows = []
    for y in range(height - 1, -1, -1):
        if bpp == 24:
            line = bytearray()
            src = pixels[y * width * 3:(y + 1) * width * 3]
            for x in range(width):
                line += bytes((src[3 * x + 2], src[3 * x + 1], src[3 * x]))
        elif bpp == 8:
            line = bytearray(pixels[y * width:(y + 1) * width])
        else:
            line = bytearray()
            src = pixels[y * width:(y + 1) * width]
            for x in range(0, width, 2):
                hi = src[x]
                lo = src[x + 1] if x + 1 < width else 0
                line.append((hi << 4) | lo)
        line += bytes(stride - len(line))
        rows.append(bytes(line))
    return b"".join(rows)


def table_bytes(table):
    return b"".join(bytes((c[2], c[1], c[0], 0)) for c in table)


def info_header(width, height, bpp, image_size, clr_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_size, 0, 0, clr_used, 0)


def write_bmp(path, width, height, bpp, table, pixels, clr_used=0):
    """An uncompressed bottom-up BMP with the 14-byte file header and a 40-byte info header."""
    body = pack_rows(width, height, bpp, pixels)
    table_data = table_bytes(table) if table else b""
    offset = 14 + 40 + len(table_data)
    data = (b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset)
            + info_header(width, height, bpp, len(body), clr_used) + table_data + body)
    write_file(path, data)


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def icon_image(size, bpp, table, pixels, alpha):
    mask_stride = row_bytes(size, 1)
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        line = bytearray(mask_stride)
        for x in range(size):
            if alpha[y * size + x] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    xor = pack_rows(size, size, bpp, pixels)
    table_data = table_bytes(table) if table else b""
    return info_header(size, size * 2, bpp, len(xor) + len(mask), 0) + table_data + xor + bytes(mask)


def write_ico(path, images):
    """images: list of (size, bpp, image bytes)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, bpp, data in images:
        colours = 16 if bpp == 4 else 0
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp, len(data), offset)
        blobs += data
        offset += len(data)
    write_file(path, head + entries + blobs)


def icon_pixels(name, size):
    """RGB (black where transparent, edges darkened by their coverage) and alpha of an icon master."""
    rgba = read_master(name, (size, size), True)
    alpha = rgba[3::4]
    rgb = bytearray(size * size * 3)
    for i in range(size * size):
        a = alpha[i]
        if a < 128:
            continue  # transparent: black under the mask
        for ch in range(3):
            rgb[3 * i + ch] = rgba[4 * i + ch] * a // 255
    return bytes(rgb), alpha


def build_icon(tmp, full_palette):
    """Six images: 48 and 32 pixels square, each at 24, 8 and 4 bits per pixel. The 24- and 8-bit
    images come from icon-N, the 4-bit ones from the plain-coloured icon-N-vga."""
    vga = [hexrgb(c) for c in VGA]
    images = []
    for size in ICON_SIZES:
        rgb, alpha = icon_pixels("icon-%d" % size, size)
        idx8 = remap(tmp, size, size, rgb, full_palette, False)
        images.append((size, 24, icon_image(size, 24, None, rgb, alpha)))
        images.append((size, 8, icon_image(size, 8, full_palette, idx8, alpha)))
        rgb, alpha = icon_pixels("icon-%d-vga" % size, size)
        idx4 = remap(tmp, size, size, rgb, vga, False)
        images.append((size, 4, icon_image(size, 4, vga, idx4, alpha)))
    write_ico(os.path.join(RESOURCES, "icon", "launcher.ico"), images)


# ---------------------------------------------------------------- sounds

def write_pcm(path, left, right):
    frames = bytearray()
    for l, r in zip(left, right):
        frames += struct.pack("<hh", l, r)
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


def to_pcm16(channels, peak):
    top = max(max(abs(v) for v in ch) for ch in channels) or 1.0
    scale = peak * 32767 / top
    return [[int(round(v * scale)) for v in ch] for ch in channels]


def synth_welcome():
    """A three-note bell chime (G5, C6, E6), each note a little to one side, fading out."""
    n = WELCOME_SAMPLES
    left, right = [0.0] * n, [0.0] * n
    notes = [(0.00, 783.99, 0.30), (0.13, 1046.50, 0.50), (0.26, 1318.51, 0.70)]
    partials = [(1.0, 1.0), (2.0, 0.35), (3.01, 0.12), (4.2, 0.05)]
    for start, freq, pan in notes:
        first = int(start * RATE)
        for i in range(first, n):
            t = (i - first) / RATE
            attack = min(1.0, t / 0.004)
            v = 0.0
            for mult, amp in partials:
                v += amp * math.exp(-t * (2.2 + 1.5 * mult)) * math.sin(2 * math.pi * freq * mult * t)
            v *= attack
            left[i] += v * math.cos(pan * math.pi / 2)
            right[i] += v * math.sin(pan * math.pi / 2)
    fade = int(0.25 * RATE)
    for i in range(n - fade, n):
        g = (n - i) / fade
        left[i] *= g
        right[i] *= g
    return to_pcm16([left, right], 0.7)


def synth_hover():
    """A soft wooden tick: a short, quickly damped tone with a slight knock, then silence."""
    n = HOVER_SAMPLES
    left, right = [0.0] * n, [0.0] * n
    for i in range(n):
        t = i / RATE
        attack = min(1.0, t / 0.0015)
        v = (math.exp(-t * 90) * math.sin(2 * math.pi * 1250 * t)
             + 0.45 * math.exp(-t * 160) * math.sin(2 * math.pi * 2630 * t)
             + 0.30 * math.exp(-t * 35) * math.sin(2 * math.pi * 610 * t))
        v *= attack
        left[i] = v
        right[i] = v * 0.92
    return to_pcm16([left, right], 0.45)


def read_source_sound(tmp, name, samples):
    """A user's own sound, as 44,100 Hz stereo 16-bit, cut or padded to `samples` frames."""
    for ext in (".wav", ".flac", ".ogg", ".aiff"):
        path = os.path.join(SOUND_SOURCES, name + ext)
        if os.path.exists(path):
            break
    else:
        return None
    out = os.path.join(tmp, name + "-source.wav")
    run([SOX, "-D", "-R", path, "-r", str(RATE), "-c", "2", "-b", "16", "-e", "signed-integer", out])
    with wave.open(out, "rb") as w:
        raw = w.readframes(w.getnframes())
    values = list(struct.unpack("<%dh" % (len(raw) // 2), raw))
    left, right = values[0::2][:samples], values[1::2][:samples]
    fade = min(len(left), int(0.02 * RATE))
    if len(values) // 2 > samples:  # cut: fade out the last few milliseconds
        for k in range(fade):
            g = k / fade
            left[-1 - k] = int(left[-1 - k] * g)
            right[-1 - k] = int(right[-1 - k] * g)
    left += [0] * (samples - len(left))
    right += [0] * (samples - len(right))
    return [left, right]


def build_sounds(tmp):
    sounds = os.path.join(RESOURCES, "sounds")
    os.makedirs(sounds, exist_ok=True)
    welcome = read_source_sound(tmp, "welcome", WELCOME_SAMPLES) or synth_welcome()
    hover = read_source_sound(tmp, "hover", HOVER_SAMPLES) or synth_hover()
    pcm = os.path.join(tmp, "welcome-pcm.wav")
    write_pcm(pcm, *welcome)
    run([SOX, "-D", "-R", pcm, "-e", "ms-adpcm", os.path.join(sounds, "welcome.wav")])
    write_pcm(os.path.join(sounds, "hover.wav"), *hover)


# ---------------------------------------------------------------- the whole run

def choose_folders(options):
    """Sets MASTERS, SOUND_SOURCES and RESOURCES from the options; returns the plain-master settings."""
    global MASTERS, SOUND_SOURCES, RESOURCES
    plain = None
    if options.profile:
        try:
            profile = read_profile(options.profile)
        except ProfileError as e:
            sys.exit("\n".join(e.messages))
        MASTERS = profile.folder("art_masters")
        SOUND_SOURCES = profile.folder("sound_sources")
        RESOURCES = profile.folder("resource_folder")
        if options.plain:
            plain = (options.plain, profile["product_name"], profile["legal_copyright"])
    elif options.plain:
        sys.exit("make-art: --plain needs --profile, which names the product to draw")
    if options.plain and not re.fullmatch(r"#[0-9A-Fa-f]{6}", options.plain):
        sys.exit("make-art: --plain takes a colour as #RRGGBB, not %s" % options.plain)
    MASTERS = os.path.abspath(options.masters or MASTERS)
    SOUND_SOURCES = os.path.abspath(options.sounds or SOUND_SOURCES)
    RESOURCES = os.path.abspath(options.out or RESOURCES)
    return plain


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--redraw", action="store_true",
                        help="redraw every master, replacing the files in the masters folder")
    parser.add_argument("--profile", help="a product profile: its art_masters, sound_sources, resource_folder")
    parser.add_argument("--plain", metavar="COLOUR", help="draw missing masters plainly in this colour (#RRGGBB)")
    parser.add_argument("--masters", metavar="DIR", help="the folder of the masters")
    parser.add_argument("--sounds", metavar="DIR", help="the folder of the sound sources")
    parser.add_argument("--out", metavar="DIR", help="where art/, sounds/ and icon/ are written")
    options = parser.parse_args()
    plain = choose_folders(options)

    for tool in (CONVERT, SOX):
        if not os.access(tool, os.X_OK):
            sys.exit("make-art: %s is missing; run scripts/install-deps.sh --art" % tool)

    os.makedirs(MASTERS, exist_ok=True)
    for name, (size, alpha, draw) in master_drawers(plain).items():
        existing = find_master(name)
        if existing and not options.redraw:
            continue
        # The shipped product's own artwork is never drawn for another product.
        if options.profile and not plain and (name == "background" or name.startswith("icon-")):
            sys.exit("make-art: %s has no master %s (PNG or BMP); put yours there, or give --plain COLOUR "
                     "to have a plain one drawn" % (MASTERS, name))
        if existing and options.redraw:
            os.remove(existing)
        print("make-art: drawing %s" % os.path.relpath(os.path.join(MASTERS, name + ".png"), ROOT))
        draw(os.path.join(MASTERS, name + ".png"))

    names = ["background"] + list(BUTTONS)
    masters = {}
    for name in names:
        size = BACKGROUND_SIZE if name == "background" else BUTTON_SIZE
        masters[name] = (size[0], size[1], read_master(name, size, False))

    with tempfile.TemporaryDirectory(prefix="make-art-") as tmp:
        icons = []
        for size in ICON_SIZES:
            rgba = read_master("icon-%d" % size, (size, size), True)
            rgb = bytearray()
            for i in range(size * size):
                a = rgba[4 * i + 3]
                rgb += bytes(rgba[4 * i + ch] * a // 255 + 192 * (255 - a) // 255 for ch in range(3))
            icons.append((size, size, bytes(rgb)))
        shared = shared_colours(tmp, [masters[n] for n in names] + icons)
        full = [hexrgb(c) for c in STATIC_LOW] + shared + [hexrgb(c) for c in STATIC_HIGH]
        vga = [hexrgb(c) for c in VGA]

        art = os.path.join(RESOURCES, "art")
        for name in names:
            w, h, rgb = masters[name]
            write_bmp(os.path.join(art, "true-colour", name + ".bmp"), w, h, 24, None, rgb)
            if name == "background":
                idx = remap_background(tmp, w, h, rgb, full)
                write_bmp(os.path.join(art, "256-colour", name + ".bmp"), w, h, 8, full, idx)
                idx = remap_background(tmp, w, h, rgb, vga)
                write_bmp(os.path.join(art, "16-colour", name + ".bmp"), w, h, 4, vga, idx)
                continue
            idx = remap(tmp, w, h, rgb, shared, False)
            if name in SHARED_TABLE:
                write_bmp(os.path.join(art, "256-colour", name + ".bmp"), w, h, 8, shared, idx,
                          clr_used=236)
            else:
                idx = bytes(i + 10 for i in idx)
                write_bmp(os.path.join(art, "256-colour", name + ".bmp"), w, h, 8, full, idx)
            idx = remap(tmp, w, h, rgb, vga, False)
            write_bmp(os.path.join(art, "16-colour", name + ".bmp"), w, h, 4, vga, idx)

        build_icon(tmp, full)
        build_sounds(tmp)
    print("make-art: done")


if __name__ == "__main__":
    main()
