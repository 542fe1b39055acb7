"""Whether each button's caption, as the product profile gives it, fits its button: measured by drawing it
as a button's caption is drawn and taking the extent of its ink."""

from PIL import Image, ImageDraw

from launcherkit.art.drawing import BUTTON_EDGE, CAPTION_FONT, CAPTION_POINTS, art_lines, draw_caption
from launcherkit.languages import CAPTION_KEYS
from launcherkit.profile import fault

# Far larger than any caption that could fit, so that one that does not is measured whole.
CANVAS = (1200, 300)


def ink_size(lines):
    """(width, height) in pixels of the ink of a caption's `lines` in the captions' font."""
    canvas = Image.new("L", CANVAS)
    draw_caption(ImageDraw.Draw(canvas), CANVAS, lines, 255, 0)
    left, top, right, bottom = canvas.getbbox() or (0, 0, 0, 0)
    return right - left, bottom - top


def caption_faults(profile, button_size):
    """A line FILE:LINE: KEY: found ...; required ... for each caption that does not fit its button."""
    # The room: the button less its edges, one pixel for the caption's shadow and one it moves when pressed.
    width, height = (side - 2 * BUTTON_EDGE - 2 for side in button_size)
    font = "%d points in %s" % (CAPTION_POINTS, CAPTION_FONT.rsplit(".", 1)[0])
    inside = ("the room inside the %d x %d-pixel button, less its %d-pixel edges, the caption's shadow and "
              "the pixel it moves when pressed" % (button_size[0], button_size[1], BUTTON_EDGE))
    faults = []
    for key in CAPTION_KEYS:
        found_width, found_height = ink_size(art_lines(profile, key))
        shown = '"%s"' % profile[key]
        if found_width > width:
            faults.append(fault(profile.path, profile.lines.get(key, 0), key,
                                "%s, %d pixels wide at %s" % (shown, found_width, font),
                                "at most %d pixels wide, %s; break it into lines with \" | \" or shorten it"
                                % (width, inside)))
        elif found_height > height:
            faults.append(fault(profile.path, profile.lines.get(key, 0), key,
                                "%s, %d pixels high at %s" % (shown, found_height, font),
                                "at most %d pixels high, %s; fewer lines" % (height, inside)))
    return faults
