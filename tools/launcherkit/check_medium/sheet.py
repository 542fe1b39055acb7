"""The contact sheet: one PNG with a row for each screen depth and a column for each state of the window
(at rest, each button under the pointer, the remove state), at half size, labelled; the 16-colour row is
composed from the launcher's pictures, not seen on a screen, and says so."""

from PIL import Image, ImageDraw

SCALE = 2
MARGIN = 8
LABEL = 16


def contact_sheet(shown, columns, window_size):
    """`shown`: {depth: {column: image}}; a picture missing from a row leaves its place grey."""
    width, height = window_size[0] // SCALE, window_size[1] // SCALE
    left = 70
    sheet = Image.new("RGB", (left + len(columns) * (width + MARGIN) + MARGIN,
                              LABEL + len(shown) * (height + MARGIN) + MARGIN), (255, 255, 255))
    draw = ImageDraw.Draw(sheet)
    for c, column in enumerate(columns):
        draw.text((left + c * (width + MARGIN) + MARGIN, 2), column, fill=(0, 0, 0))
    for r, depth in enumerate(sorted(shown, reverse=True)):
        top = LABEL + r * (height + MARGIN) + MARGIN
        draw.text((MARGIN, top + height // 2), "%d bits" % depth if depth != 4 else "16 colours\n(composed)",
                  fill=(0, 0, 0))
        for c, column in enumerate(columns):
            x = left + c * (width + MARGIN) + MARGIN
            picture = shown[depth].get(column)
            if picture is None:
                draw.rectangle((x, top, x + width - 1, top + height - 1), fill=(200, 200, 200))
                draw.text((x + 4, top + 4), "not shown", fill=(0, 0, 0))
            else:
                sheet.paste(picture.resize((width, height), Image.LANCZOS), (x, top))
    return sheet
