"""Pictures as Pillow RGB images: a program's own bitmap resources, and their comparison with the screen's."""

import io
import os
from collections import namedtuple

from PIL import Image, ImageChops

from launcherkit.pe import Executable


class Difference(namedtuple("Difference", "count first worst")):
    """The pixels off by more than the tolerance, (x, y, actual, expected) of the first, the largest difference."""

    def __bool__(self):
        return self.count > 0

    def __str__(self):
        if not self.count:
            return "identical within tolerance (largest channel difference %d)" % self.worst
        x, y, actual, expected = self.first
        return "%d pixels differ; first at (%d,%d): %s, expected %s; largest channel difference %d" % (
            self.count, x, y, actual, expected, self.worst)


def compare(actual, expected, tolerance=0):
    """Pixels of `actual` whose channels differ from `expected` by more than `tolerance`."""
    if actual.size != expected.size:
        raise ValueError("sizes differ: %dx%d and %dx%d" % (actual.size + expected.size))
    red, green, blue = ImageChops.difference(actual, expected).split()
    largest = ImageChops.lighter(ImageChops.lighter(red, green), blue)  # per pixel, its worst channel
    worst = largest.getextrema()[1]
    off = largest.point(lambda value: 255 if value > tolerance else 0)
    count = off.histogram()[255]
    if not count:
        return Difference(0, None, worst)
    top = off.getbbox()[1]
    x = off.crop((0, top, off.width, top + 1)).getbbox()[0]
    return Difference(count, (x, top, actual.getpixel((x, top)), expected.getpixel((x, top))), worst)


_pictures = {}


def exe_picture(exe, resource_id):
    """Bitmap resource `resource_id` (a packed DIB) of `exe` as an RGB image, a copy the caller may paint on."""
    key = (os.path.abspath(exe), os.path.getmtime(exe), resource_id)
    if key not in _pictures:
        dib = Executable.open(exe).resource("BITMAP", resource_id)
        if dib is None:
            raise ValueError("%s has no bitmap %d" % (exe, resource_id))
        with Image.open(io.BytesIO(dib), formats=["DIB"]) as image:
            _pictures[key] = image.convert("RGB")
    return _pictures[key].copy()


def save(image, path):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    image.save(path)
