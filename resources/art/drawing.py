"""Qelvar Lumivane's own drawing of its background and emblem, which tools/kit art make --redraw draws
(the masters beside this file are what it drew): a gradient with soft discs, vanes of light and the emblem,
the product's name and tagline, a welcome and a footer on the grey button tray; the emblem a disc shaped
as a Q."""

from PIL import Image, ImageDraw, ImageFilter

from launcherkit.art.drawing import art_lines, draw_footer, draw_lines, draw_tray, font, gradient


def layer(size, blur, *shapes):
    """A transparent layer with `shapes` (method, box, options) of ImageDraw, each laid over the others,
    blurred by `blur` pixels."""
    picture = Image.new("RGBA", size, (0, 0, 0, 0))
    for method, box, options in shapes:
        shape = Image.new("RGBA", size, (0, 0, 0, 0))
        getattr(ImageDraw.Draw(shape), method)(box, **options)
        picture = Image.alpha_composite(picture, shape)
    return picture.filter(ImageFilter.GaussianBlur(blur)) if blur else picture


def disc(x, y, r, **options):
    return ("ellipse", (x - r, y - r, x + r, y + r), options)


def vane(rx, ry, alpha):
    """An arc of light around (560, 400) from 180 to 265 degrees."""
    return ("arc", (560 - rx, 400 - ry, 560 + rx, 400 + ry), dict(start=180, end=265, width=2,
                                                                   fill=(170, 235, 255, alpha)))


def round_line(draw, start, end, width, fill):
    draw.line(start + end, fill=fill, width=width)
    for x, y in (start, end):
        draw.ellipse((x - width / 2, y - width / 2, x + width / 2, y + width / 2), fill=fill)


def ring(draw, c, r, width, colour):
    """A circle of radius `r` around (c, c), its stroke `width` pixels wide on both sides of it."""
    draw.ellipse((c - r - width / 2, c - r - width / 2, c + r + width / 2, c + r + width / 2), outline=colour,
                 width=round(width))


def icon(size, flat):
    """The emblem, `size` pixels square with transparency; `flat` in plain VGA colours, for the 16-colour
    icon images. Drawn at eight times the size, then reduced."""
    s = size * 8

    def p(v):
        return round(v * s / 384.0)

    c = p(176)
    face = Image.new("RGB", (s, s), "#0000FF") if flat else gradient((s, s), 135, "#7fd3f7", "#1b4f9c")
    mask = Image.new("L", (s, s), 0)
    ImageDraw.Draw(mask).ellipse((p(12), p(12), 2 * c - p(12), 2 * c - p(12)), fill=255)
    picture = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    picture.paste(face, (0, 0), mask)
    draw = ImageDraw.Draw(picture, "RGBA")
    ring(draw, c, c - p(26), p(14) if flat else p(5), "#00FFFF" if flat else (255, 255, 255, 102))
    dark = "#000080" if flat else "#0d2a55"
    round_line(draw, (p(250), p(250)), (p(350), p(350)), p(64), dark)
    ring(draw, c, c - p(70), p(40), "white")
    round_line(draw, (p(250), p(250)), (p(350), p(350)), p(40), "white")
    draw.ellipse((p(152), p(152), 2 * c - p(152), 2 * c - p(152)), fill=dark)
    return picture.resize((size, size), Image.Resampling.LANCZOS)


def background(geometry, profile):
    size = geometry.window_size
    picture = gradient(size, 120, "#0a1a3a", "#13707f").convert("RGBA")
    for shapes in ((6, disc(470, 300, 180, fill=(255, 255, 255, 18)), disc(520, 40, 100, fill=(120, 220, 255, 20)),
                    disc(330, 380, 130, fill=(255, 255, 255, 13))),
                   (0.6, vane(330, 260, 89), vane(300, 230, 56), vane(270, 200, 38)),
                   (4, disc(77, 89, 44, fill=(0, 0, 0, 115)))):
        picture = Image.alpha_composite(picture, layer(size, *shapes))
    picture.alpha_composite(icon(96, False), (27, 37))
    picture = picture.convert("RGB")
    draw_tray(picture, geometry)
    draw = ImageDraw.Draw(picture)
    first, _, rest = profile["product_name"].partition(" ")
    x, bold = 148, font("DejaVuSans-Bold.ttf", 18)
    for letter in first.upper():  # spaced out by four pixels
        draw.text((x, 38), letter, font=bold, fill="#9fe0f5", anchor="la")
        x += bold.getlength(letter) + 4
    draw.text((144, 58), rest, font=font("DejaVuSans-ExtraLight.ttf", 50), fill="white", anchor="la")
    draw.rectangle((148, 128, 330, 129), fill="#7fc8e0")
    draw_lines(draw, 148, 140, art_lines(profile, "tagline"), font("DejaVuSans-Oblique.ttf", 15), "#e6f4fa")
    draw_footer(picture, profile, "#cfe6ee", "#9cc3cf")
    return picture
