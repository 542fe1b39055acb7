"""Masters drawn with Pillow where a product gives none: the buttons with the profile's captions; the
background and emblem plainly in a colour (--plain) or by the product's own drawing (OWN_DRAWING)."""

import importlib.util
import math
import os
import sys

from PIL import Image, ImageColor, ImageDraw, ImageFont

from launcherkit.art import BUTTON_MASTERS, ICON_SIZES
from launcherkit.art.palettes import VGA
from launcherkit.languages import LINE_BREAK

FONTS = "/usr/share/fonts/truetype/dejavu"
# The product's own drawing of its background and emblem: a Python file in the folder above its masters
# with background(geometry, profile) and icon(size, flat), each returning a Pillow image.
OWN_DRAWING = "drawing.py"

# The grey tray around the button column on a drawn background, and its margin around the buttons.
TRAY_GREY = (192, 192, 192)
TRAY_MARGIN = 10

# A button's edges: two pixels on each side, light above and left, dark below and right ("-hover"
# masters show the button pressed in, the other way round, the caption one pixel down and right).
BUTTON_EDGE = 2
# The captions' font: its file, its size in pixels and the space between lines.
CAPTION_FONT = "DejaVuSansCondensed-Bold.ttf"
CAPTION_POINTS = 12
CAPTION_LINE_SPACING = -1


def font(name, size):
    """A DejaVu font at `size` pixels, laid out by Pillow's basic layout whether or not libraqm is there."""
    return ImageFont.truetype(os.path.join(FONTS, name), size, layout_engine=ImageFont.Layout.BASIC)


def art_lines(profile, key):
    """A text of the profile as drawn art shows it: its lines, none for a tagline not given."""
    return profile[key].split(LINE_BREAK) if key in profile.values else []


def draw_lines(draw, x, top, lines, face, fill, align="l", spacing=0):
    """`lines` one under the other from `top`, placed by x as `align` (l, m, r) says, `spacing` pixels apart."""
    pitch = sum(face.getmetrics()) + spacing
    for i, line in enumerate(lines):
        draw.text((x, top + i * pitch), line, font=face, fill=fill, anchor=align + "a")


def gradient(size, angle, start, end):
    """A linear gradient from `start` to `end` (#RRGGBB) at `angle` degrees clockwise from up, corner to corner."""
    w, h = size
    dx, dy = math.sin(math.radians(angle)), -math.cos(math.radians(angle))  # on the screen, y down
    ends = [x * dx + y * dy for x in (0, w - 1) for y in (0, h - 1)]
    low, span = min(ends), (max(ends) - min(ends)) or 1
    ramp = Image.linear_gradient("L").transform(size, Image.Transform.AFFINE, (
        0, 0, 128, 255 * dx / span, 255 * dy / span, -255 * low / span), resample=Image.Resampling.BILINEAR)
    return Image.composite(Image.new("RGB", size, end), Image.new("RGB", size, start), ramp)


def draw_tray(picture, geometry):
    """The grey tray holding the buttons, edges raised."""
    l, t, r, b = geometry.button_column()
    l, t, r, b = l - TRAY_MARGIN, t - TRAY_MARGIN, r + TRAY_MARGIN - 1, b + TRAY_MARGIN - 1
    draw = ImageDraw.Draw(picture)
    draw.rectangle((l, t, r, b), fill=TRAY_GREY)
    draw.line((l, b, l, t, r, t), fill="#E8E8E8")
    draw.line((r, t + 1, r, b, l + 1, b), fill="#606060")


def draw_footer(picture, profile, fill, copyright_fill=None):
    """The welcome at (150, 190) and the copyright line at the bottom right of a background."""
    draw = ImageDraw.Draw(picture)
    draw_lines(draw, 150, 190, art_lines(profile, "welcome_line"), font("DejaVuSans.ttf", 11), fill)
    small = font("DejaVuSans.ttf", 9)
    lines = art_lines(profile, "copyright_line")
    draw_lines(draw, picture.width - 14, picture.height - 10 - sum(small.getmetrics()) * len(lines), lines,
               small, copyright_fill or fill, align="r")


def draw_caption(draw, size, lines, fill, shift):
    """A caption in the captions' font, centred on a button of `size`, moved by `shift` pixels."""
    face = font(CAPTION_FONT, CAPTION_POINTS)
    height = (sum(face.getmetrics()) + CAPTION_LINE_SPACING) * len(lines)
    draw_lines(draw, size[0] / 2 + shift, (size[1] - height) / 2 + shift, lines, face, fill, "m", CAPTION_LINE_SPACING)


def draw_button(size, lines, pressed):
    outer_tl, inner_tl, outer_br, inner_br = (("#808080", "#000000", "#FFFFFF", "#DFDFDF") if pressed
                                              else ("#DFDFDF", "#FFFFFF", "#000000", "#808080"))
    shift = 1 if pressed else 0
    picture = Image.new("RGB", size, TRAY_GREY)
    draw = ImageDraw.Draw(picture)
    r, b = size[0] - 1, size[1] - 1
    draw.line((0, b, r, b, r, 0), fill=outer_br)
    draw.line((0, b - 1, 0, 0, r - 1, 0), fill=outer_tl)
    draw.line((1, b - 1, r - 1, b - 1, r - 1, 1), fill=inner_br)
    draw.line((1, b - 2, 1, 1, r - 2, 1), fill=inner_tl)
    draw_caption(draw, size, lines, "#202020", shift + 1)
    draw_caption(draw, size, lines, "white", shift)
    return picture


def shade(colour, factor):
    return "#%02X%02X%02X" % tuple(min(255, round(c * factor)) for c in ImageColor.getrgb(colour))


def draw_plain_background(geometry, colour, profile):
    """A gradient of `colour` with the product's name, tagline, welcome and copyright line, and the tray."""
    picture = gradient(geometry.window_size, 150, shade(colour, 1.0), shade(colour, 0.45))
    draw_tray(picture, geometry)
    draw = ImageDraw.Draw(picture)
    draw.text((40, 60), profile["product_name"], font=font("DejaVuSans-ExtraLight.ttf", 40), fill="white", anchor="la")
    draw.rectangle((42, 118, 300, 119), fill=shade(colour, 2.2))
    draw_lines(draw, 42, 126, art_lines(profile, "tagline"), font("DejaVuSans-Oblique.ttf", 15), "#F0F0F0")
    draw_footer(picture, profile, "#F0F0F0")
    return picture


def draw_plain_icon(size, colour, letter, flat):
    """A disc of `colour` (`flat`: the nearest VGA colour) with the product's initial, drawn eight times larger."""
    s = size * 8
    if flat:
        rgb = ImageColor.getrgb(colour)
        colour = min(VGA, key=lambda v: sum((a - b) ** 2 for a, b in zip(v, rgb)))
    picture = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    draw = ImageDraw.Draw(picture)
    draw.ellipse((s // 32, s // 32, s - s // 32, s - s // 32), fill=colour)
    draw.text((s // 2, s // 2), letter, font=font("DejaVuSans-Bold.ttf", s * 6 // 10), fill="white", anchor="mm")
    return picture.resize((size, size), Image.Resampling.LANCZOS)


def own_drawing(folders):
    """The product's own drawing: the module of OWN_DRAWING beside its masters; exits with a line without one."""
    path = os.path.join(os.path.dirname(os.path.normpath(folders.masters)), OWN_DRAWING)
    if not os.path.exists(path):
        sys.exit("make-art: %s: found no such file; required the product's own drawing of its background and "
                 "emblem, a Python file with background(geometry, profile) and icon(size, flat)" % path)
    spec = importlib.util.spec_from_file_location("own_drawing", path)
    module = importlib.util.module_from_spec(spec)
    try:
        spec.loader.exec_module(module)
    except Exception as error:  # the product's code
        sys.exit("make-art: %s: found a drawing that cannot be loaded (%s: %s); required a Python file with "
                 "background(geometry, profile) and icon(size, flat)" % (path, type(error).__name__, error))
    return module


def master_drawers(geometry, profile, plain=None, own=None):
    """name -> (size, draw()) for every master; draw() returns a Pillow image. The background and the emblem
    are drawn plainly in `plain` (#RRGGBB) when given, else by `own`, the product's own drawing."""
    drawers = {"background": (geometry.window_size, lambda: draw_plain_background(geometry, plain, profile)
                              if plain else own.background(geometry, profile))}
    for master in BUTTON_MASTERS:
        lines, pressed = art_lines(profile, "caption_" + master.split("-")[0]), master.endswith("-hover")
        drawers[master] = (geometry.button_size, lambda c=lines, p=pressed: draw_button(geometry.button_size, c, p))
    for size in ICON_SIZES:
        for flat, master in ((False, "icon-%d" % size), (True, "icon-%d-vga" % size)):
            drawers[master] = ((size, size), lambda s=size, f=flat: (
                draw_plain_icon(s, plain, profile["product_name"][0], f) if plain else own.icon(s, f)))
    return drawers


def drawn_keys(name, plain):
    """The profile's keys whose texts master `name` shows as master_drawers draws it (`plain`: the colour, or
    None for the product's own drawing): once one of them changes, the drawn master is out of date."""
    if name == "background":
        return ("product_name", "tagline", "welcome_line", "copyright_line")
    if name in BUTTON_MASTERS:
        return ("caption_" + name.split("-")[0],)
    if name.startswith("icon-") and plain:
        return ("product_name",)  # its initial
    return ()
