"""Masters drawn with ImageMagick where a product gives none: the shipped product's background and
emblem, plain ones for another product (a gradient of one colour with its name, a disc with its
initial), and the classic raised and pressed buttons. Sizes come from the launcher's geometry, texts
(name, welcome, copyright line, tagline, captions) from the product profile."""

from launcherkit.art import BUTTON_MASTERS, ICON_SIZES
from launcherkit.art.magick import CONVERT, PNG_OUT, PNG_OUT_ALPHA, font, run
from launcherkit.art.palettes import VGA, hexrgb

# The grey tray around the button column on a drawn background, and its margin around the buttons.
TRAY_GREY = (192, 192, 192)
TRAY_MARGIN = 10

# A button's edges: two pixels on each side, light above and left, dark below and right ("-hover"
# masters show the button pressed in, the other way round, the caption one pixel down and right).
BUTTON_EDGE = 2
# The captions' font: its file, its size in points (pixels, at ImageMagick's 72 dots per inch) and the
# space between lines.
CAPTION_FONT = "DejaVuSansCondensed-Bold.ttf"
CAPTION_POINTS = 12
CAPTION_LINE_SPACING = -1


def annotation(text):
    """`text` as -annotate shows it: ImageMagick reads % as the start of an escape."""
    return text.replace("%", "%%")


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


def tray_args(geometry):
    """ImageMagick arguments that draw the grey tray holding the buttons, edges raised."""
    l, t, r, b = geometry.button_column()
    l, t, r, b = l - TRAY_MARGIN, t - TRAY_MARGIN, r + TRAY_MARGIN, b + TRAY_MARGIN
    return ["-strokewidth", "1", "-stroke", "none", "-fill", "#%02X%02X%02X" % TRAY_GREY,
            "-draw", "rectangle %d,%d %d,%d" % (l, t, r - 1, b - 1),
            "-fill", "none", "-stroke", "#E8E8E8",
            "-draw", "line %d,%d %d,%d" % (l, t, r - 1, t), "-draw", "line %d,%d %d,%d" % (l, t, l, b - 1),
            "-stroke", "#606060",
            "-draw", "line %d,%d %d,%d" % (r - 1, t + 1, r - 1, b - 1),
            "-draw", "line %d,%d %d,%d" % (l + 1, b - 1, r - 1, b - 1),
            "-stroke", "none", "-gravity", "NorthWest"]


def art_text(profile, key):
    """A text of the profile for -annotate, its lines one under the other."""
    return annotation("\n".join(profile.art_lines(key)))


def caption_args():
    """ImageMagick arguments that set a caption's font, centred on its button."""
    return ["-font", font(CAPTION_FONT), "-pointsize", str(CAPTION_POINTS),
            "-gravity", "center", "-interline-spacing", str(CAPTION_LINE_SPACING)]


def background_texts(profile):
    """(first word of the name in capitals, the rest of the name, the welcome, the copyright line) of the
    shipped background."""
    first, _, rest = profile["product_name"].partition(" ")
    return (annotation(first.upper()), annotation(rest), art_text(profile, "welcome_line"),
            art_text(profile, "copyright_line"))


def tagline_args(profile, x, y, colour):
    """ImageMagick arguments that draw the profile's tagline, if it has one, at (x, y)."""
    if "tagline" not in profile.values:
        return []
    return ["-font", font("DejaVuSans-Oblique.ttf"), "-pointsize", "15", "-fill", colour,
            "-annotate", "+%d+%d" % (x, y), art_text(profile, "tagline")]


def draw_background(path, geometry, profile):
    """The shipped product's background: a gradient with soft discs, vanes of light and the emblem,
    the product's name and tagline, a welcome and a footer; the grey button tray."""
    w, h = geometry.window_size
    title, subtitle, welcome, footer = background_texts(profile)
    run([CONVERT,
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
        "+geometry"] + tray_args(geometry) + [
        # name, tagline, welcome and footer
        "-font", font("DejaVuSans-Bold.ttf"), "-pointsize", "18", "-kerning", "4",
        "-fill", "#9fe0f5", "-annotate", "+148+38", title,
        "-font", font("DejaVuSans-ExtraLight.ttf"), "-kerning", "0", "-pointsize", "50",
        "-fill", "white", "-annotate", "+144+58", subtitle,
        "-fill", "#7fc8e0", "-draw", "rectangle 148,128 330,129",
        ] + tagline_args(profile, 148, 140, "#e6f4fa") + [
        "-font", font("DejaVuSans.ttf"), "-pointsize", "11", "-fill", "#cfe6ee",
        "-annotate", "+150+190", welcome,
        "-font", font("DejaVuSans.ttf"), "-pointsize", "9", "-fill", "#9cc3cf",
        "-gravity", "SouthEast", "-annotate", "+14+10", footer,
    ] + PNG_OUT + [path])


def draw_button(path, size, caption, pressed):
    w, h = size
    if pressed:
        outer_tl, inner_tl, outer_br, inner_br, shift = "#808080", "#000000", "#FFFFFF", "#DFDFDF", 1
    else:
        outer_tl, inner_tl, outer_br, inner_br, shift = "#DFDFDF", "#FFFFFF", "#000000", "#808080", 0
    r, b = w - 1, h - 1
    run([CONVERT, "-size", "%dx%d" % (w, h), "xc:#C0C0C0", "-stroke", "none",
         "-fill", outer_br, "-draw", "rectangle 0,%d %d,%d" % (b, r, b),
         "-draw", "rectangle %d,0 %d,%d" % (r, r, b),
         "-fill", outer_tl, "-draw", "rectangle 0,0 %d,0" % (r - 1),
         "-draw", "rectangle 0,0 0,%d" % (b - 1),
         "-fill", inner_br, "-draw", "rectangle 1,%d %d,%d" % (b - 1, r - 1, b - 1),
         "-draw", "rectangle %d,1 %d,%d" % (r - 1, r - 1, b - 1),
         "-fill", inner_tl, "-draw", "rectangle 1,1 %d,1" % (r - 2),
         "-draw", "rectangle 1,1 1,%d" % (b - 2),
         ] + caption_args() + [
         "-fill", "#202020", "-annotate", "+%d+%d" % (shift + 1, shift + 1), caption,
         "-fill", "white", "-annotate", "+%d+%d" % (shift, shift), caption,
         ] + PNG_OUT + [path])


def draw_icon(path, size, flat):
    run([CONVERT, "-background", "none"] + emblem_args(size, flat) + PNG_OUT_ALPHA + [path])


def shade(colour, factor):
    return "#%02X%02X%02X" % tuple(min(255, round(c * factor)) for c in hexrgb(colour.lstrip("#")))


def draw_plain_background(path, geometry, colour, profile):
    """A gradient of `colour` with the product's name (and tagline), the welcome and the copyright line,
    and the grey button tray."""
    w, h = geometry.window_size
    run([CONVERT, "-size", "%dx%d" % (w, h), "-define", "gradient:angle=150",
         "gradient:%s-%s" % (shade(colour, 1.0), shade(colour, 0.45))] + tray_args(geometry) + [
        "-font", font("DejaVuSans-ExtraLight.ttf"), "-pointsize", "40", "-fill", "white",
        "-annotate", "+40+60", annotation(profile["product_name"]),
        "-fill", shade(colour, 2.2), "-draw", "rectangle 42,118 300,119",
        ] + tagline_args(profile, 42, 126, "#F0F0F0") + [
        "-font", font("DejaVuSans.ttf"), "-pointsize", "11", "-fill", "#F0F0F0",
        "-annotate", "+150+190", art_text(profile, "welcome_line"),
        "-pointsize", "9", "-gravity", "SouthEast", "-annotate", "+14+10", art_text(profile, "copyright_line"),
    ] + PNG_OUT + [path])


def draw_plain_icon(path, size, colour, letter, flat):
    """A disc of `colour` with the product's initial in white; `flat` in the nearest VGA colour."""
    s = size * 8
    if flat:
        rgb = hexrgb(colour.lstrip("#"))
        colour = "#%02X%02X%02X" % min(VGA, key=lambda v: sum((a - b) ** 2 for a, b in zip(v, rgb)))
    run([CONVERT, "-size", "%dx%d" % (s, s), "xc:none", "-fill", colour,
         "-draw", "circle %d,%d %d,%d" % (s // 2, s // 2, s // 2, s // 32),
         "-font", font("DejaVuSans-Bold.ttf"), "-pointsize", str(s * 6 // 10), "-fill", "white",
         "-gravity", "center", "-annotate", "+0+0", letter,
         "-filter", "Lanczos", "-resize", "%dx%d" % (size, size)] + PNG_OUT_ALPHA + [path])


def master_drawers(geometry, profile, plain=None):
    """name -> (size, alpha, draw(path)) for every master. `plain`: a colour (#RRGGBB) to draw the
    background and the emblem plainly for the profile's product instead of the shipped ones."""
    if plain:
        name = profile["product_name"]
        drawers = {"background": (geometry.window_size, False,
                                  lambda p: draw_plain_background(p, geometry, plain, profile))}
    else:
        drawers = {"background": (geometry.window_size, False, lambda p: draw_background(p, geometry, profile))}
    for master in BUTTON_MASTERS:
        caption, pressed = art_text(profile, "caption_" + master.split("-")[0]), master.endswith("-hover")
        drawers[master] = (geometry.button_size, False,
                           lambda p, c=caption, pr=pressed: draw_button(p, geometry.button_size, c, pr))
    for size in ICON_SIZES:
        for flat, master in ((False, "icon-%d" % size), (True, "icon-%d-vga" % size)):
            if plain:
                draw = (lambda p, s=size, f=flat: draw_plain_icon(p, s, plain, name[0], f))
            else:
                draw = (lambda p, s=size, f=flat: draw_icon(p, s, f))
            drawers[master] = ((size, size), True, draw)
    return drawers


def drawn_keys(name, plain):
    """The profile's keys whose texts master `name` shows as master_drawers draws it (`plain`: the colour
    given, or None for the shipped drawing): once one of them changes, the drawn master is out of date."""
    if name == "background":
        return ("product_name", "tagline", "welcome_line", "copyright_line")
    if name in BUTTON_MASTERS:
        return ("caption_" + name.split("-")[0],)
    if name.startswith("icon-") and plain:
        return ("product_name",)  # its initial
    return ()
