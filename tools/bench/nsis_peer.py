"""The NSIS peer: the launcher's splash made with NSIS (tools/bench/nsis_peer.nsi), as a publisher might
make it instead, from the product's name, setup program and geometry and the launcher's own true-colour
pictures, written out of its resources as BMP files: the very picture the launcher shows."""

import os
import shutil
import subprocess

from launcherkit.pe import Executable
from launcherkit.resource_files import bitmap_file

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "nsis_peer.nsi")


def build_peer(work_dir, arch, launcher, product):
    """Builds PEER.EXE with makensis in `work_dir`; (path, a note naming the NSIS version) or (None, why not)."""
    if arch != "win32":
        return None, "NSIS makes 32-bit programs, which this host's Wine cannot run"
    if not shutil.which("makensis"):
        return None, "makensis is not installed (scripts/install-deps.sh --bench installs Debian's nsis)"
    os.makedirs(work_dir, exist_ok=True)
    geometry, pictures, executable = product.geometry, product.pictures(24), Executable.open(launcher)
    defines = {"PRODUCT_NAME": product.name, "SETUP_PROGRAM": product.setup_program,
               "WINDOW_WIDTH": geometry.window_size[0], "WINDOW_HEIGHT": geometry.window_size[1],
               "BUTTON_WIDTH": geometry.button_size[0], "BUTTON_HEIGHT": geometry.button_size[1],
               "OUT": os.path.join(work_dir, "PEER.EXE")}
    for button, (x, y) in enumerate(geometry.button_origins):
        defines["BUTTON%d_X" % button], defines["BUTTON%d_Y" % button] = x, y
    for name, bitmap in [("BACKGROUND", pictures.background), *(("BUTTON%d" % button, bitmap)
                                                                 for button, bitmap in enumerate(pictures.rest))]:
        path = defines[name + "_PICTURE"] = os.path.join(work_dir, name.lower() + ".bmp")
        with open(path, "wb") as f:
            f.write(bitmap_file(executable.resource("BITMAP", bitmap)))
    result = subprocess.run(["makensis", "-V1", *("-D%s=%s" % item for item in defines.items()), SCRIPT],
                            capture_output=True, text=True)
    if result.returncode != 0:
        return None, "makensis failed: %s" % (result.stdout + result.stderr).strip()[-400:]
    version = subprocess.run(["makensis", "-VERSION"], capture_output=True, text=True).stdout.strip()
    return defines["OUT"], "NSIS " + version
