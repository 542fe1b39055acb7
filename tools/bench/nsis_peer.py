"""The NSIS peer: the launcher's splash made with NSIS (tools/bench/nsis_peer.nsi), as a publisher might
make it instead of a program of its own. makensis is given the product's name and setup program, the
geometry, and the launcher's own true-colour pictures, written out of its resources as BMP files, so
that the peer shows the very picture the launcher shows."""

import os
import shutil
import subprocess

from launcherkit.pe import Executable
from launcherkit.resource_files import bitmap_file

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "nsis_peer.nsi")
# The picture set the peer shows.
TIER = 24


def write_pictures(launcher, product, folder):
    """The pictures of the peer, from the launcher's resources: {define name: file}."""
    executable = Executable.open(launcher)
    pictures = product.pictures(TIER)
    files = {"BACKGROUND": pictures.background}
    files.update(("BUTTON%d" % button, bitmap) for button, bitmap in enumerate(pictures.rest))
    written = {}
    for name, bitmap in files.items():
        path = os.path.join(folder, name.lower() + ".bmp")
        with open(path, "wb") as f:
            f.write(bitmap_file(executable.resource("BITMAP", bitmap)))
        written[name] = path
    return written


def defines(product, pictures):
    """makensis -D values: the product's name and setup program, the geometry, the pictures."""
    geometry = product.geometry
    values = {"PRODUCT_NAME": product.name, "SETUP_PROGRAM": product.setup_program,
              "WINDOW_WIDTH": geometry.window_size[0], "WINDOW_HEIGHT": geometry.window_size[1],
              "BUTTON_WIDTH": geometry.button_size[0], "BUTTON_HEIGHT": geometry.button_size[1]}
    for button, (x, y) in enumerate(geometry.button_origins):
        values["BUTTON%d_X" % button], values["BUTTON%d_Y" % button] = x, y
    values.update(("%s_PICTURE" % name, path) for name, path in pictures.items())
    return ["-D%s=%s" % (name, value) for name, value in values.items()]


def build_peer(work_dir, arch, launcher, product):
    """Builds PEER.EXE with makensis in `work_dir`; (path, a note naming the NSIS version) or (None, why
    not)."""
    if arch != "win32":
        return None, "NSIS makes 32-bit programs, which this host's Wine cannot run"
    if not shutil.which("makensis"):
        return None, "makensis is not installed (scripts/install-deps.sh --bench installs Debian's nsis)"
    os.makedirs(work_dir, exist_ok=True)
    out = os.path.join(work_dir, "PEER.EXE")
    pictures = write_pictures(launcher, product, work_dir)
    result = subprocess.run(["makensis", "-V1", *defines(product, pictures), "-DOUT=" + out, SCRIPT],
                            capture_output=True, text=True)
    if result.returncode != 0:
        return None, "makensis failed: %s" % (result.stdout + result.stderr).strip()[-400:]
    version = subprocess.run(["makensis", "-VERSION"], capture_output=True, text=True).stdout.strip()
    return out, "NSIS " + version
