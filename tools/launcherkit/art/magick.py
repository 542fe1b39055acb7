"""The outside programs the art is made with: ImageMagick 6 (drawing, reading masters, colour reduction)
and sox (reading and encoding sounds), and the DejaVu fonts."""

import os
import subprocess
import sys

CONVERT = "/usr/bin/convert"
SOX = "/usr/bin/sox"
FONTS = "/usr/share/fonts/truetype/dejavu"

# PNG masters without time stamps or other metadata, so that drawing them twice gives the same bytes.
PNG_OUT = ["-strip", "-define", "png:exclude-chunks=date,time", "-define", "png:color-type=2",
           "-depth", "8"]
PNG_OUT_ALPHA = ["-strip", "-define", "png:exclude-chunks=date,time", "-define",
                 "png:color-type=6", "-depth", "8"]


def run(args, **kwargs):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE, **kwargs).stdout


def font(name):
    return os.path.join(FONTS, name)


def require_tools():
    for tool in (CONVERT, SOX):
        if not os.access(tool, os.X_OK):
            sys.exit("make-art: %s is missing; run scripts/install-deps.sh --art" % tool)


def refused_by_tool(path, found, error, required):
    """The line for a file that ImageMagick or sox failed on, with the tool's own first words."""
    said = (error.stderr or b"").decode("utf-8", "replace").strip().splitlines()
    return "make-art: %s: found %s (%s); required %s" % (
        path, found, said[0] if said else "exit code %d" % error.returncode, required)


def check_master(path, size):
    """Exits with a line unless `path` is a picture of `size` (width, height)."""
    try:
        found = run([CONVERT, path + "[0]", "-format", "%w %h", "info:"], stderr=subprocess.PIPE).decode().split()
    except subprocess.CalledProcessError as error:
        sys.exit(refused_by_tool(path, "a file ImageMagick cannot read", error, "a PNG or 24-bit BMP picture of %dx%d pixels" % size))
    if (int(found[0]), int(found[1])) != tuple(size):
        sys.exit("make-art: %s is %sx%s pixels, required %dx%d" % (path, found[0], found[1], size[0], size[1]))


def read_pixels(path, size, alpha):
    """The picture's pixels as bytes (RGB on light grey, or RGBA), after checking its size."""
    check_master(path, size)
    if alpha:
        return run([CONVERT, path + "[0]", "-alpha", "set", "-depth", "8", "rgba:-"])
    return run([CONVERT, path + "[0]", "-background", "#C0C0C0", "-alpha", "remove",
                "-alpha", "off", "-depth", "8", "rgb:-"])


def write_ppm(path, width, height, rgb):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(rgb)
