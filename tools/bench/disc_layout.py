"""Where the start-up files lie on a full disc: a medium of the product's start-up files and 600 MB of
generated content (tools/kit medium build), laid out twice, in xorriso's own order and with the start-up
files first. Reported: the blocks of the Joliet root directory (which Windows reads first), AUTORUN.INF
and the launcher, and the seek distances from the directory to AUTORUN.INF and from there to the
launcher, which a cold start crosses before the launcher's first page is read. Block numbers do not
depend on the machine or its load."""

import os
import shutil
import subprocess

from launcherkit import SOURCE_DIR
from launcherkit.iso_image import SECTOR, IsoImage

KIT = os.path.join(SOURCE_DIR, "tools", "kit")
CONTENT_BYTES = 600 * 1024 * 1024
# Thirty files of 20 MB, in a folder whose name comes before the launcher's in the directory's order.
CONTENT_FILES = 30
CONTENT_FOLDER = "Daten"
EPOCH = 1704067200
LAYOUTS = (("before", "off"), ("after", "on"))


def generated_content(folder):
    """Content of CONTENT_BYTES in CONTENT_FILES files; sparse, so it costs no disc space to make."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, CONTENT_FOLDER))
    for number in range(CONTENT_FILES):
        with open(os.path.join(folder, CONTENT_FOLDER, "Teil %02d.dat" % number), "wb") as f:
            f.truncate(CONTENT_BYTES // CONTENT_FILES)


def startup_tree(folder, subjects):
    """AUTORUN.INF, the launcher and the recorder as setup program."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    product = subjects.product
    subprocess.run([KIT, "profile", "autorun", product.profile_path, os.path.join(folder, "AUTORUN.INF")], check=True)
    shutil.copyfile(subjects.programs.launcher, os.path.join(folder, product.launcher_file))
    shutil.copyfile(subjects.programs.recorder, os.path.join(folder, product.setup_program))


def layout_of(image_path, product):
    image = IsoImage(image_path)
    try:
        blocks = {e.path: e.block for e in image.entries("joliet")}
        directory = image.root_block("joliet")
    finally:
        image.close()
    autorun, launcher = blocks["AUTORUN.INF"], blocks[product.launcher_file]
    return {"directory_block": directory, "autorun_block": autorun, "launcher_block": launcher,
            "setup_block": blocks[product.setup_program],
            "directory_to_autorun_bytes": (autorun - directory) * SECTOR,
            "autorun_to_launcher_bytes": (launcher - autorun) * SECTOR,
            "directory_to_launcher_bytes": (launcher - directory) * SECTOR,
            "image_bytes": os.path.getsize(image_path)}


def measure(subjects, work, log):
    """{"content_bytes", "before": layout, "after": layout}; the images are removed afterwards."""
    content, tree = os.path.join(work, "content"), os.path.join(work, "tree")
    generated_content(content)
    startup_tree(tree, subjects)
    results = {"content_bytes": CONTENT_BYTES, "content_files": CONTENT_FILES}
    for name, order in LAYOUTS:
        image = os.path.join(work, "%s.iso" % name)
        log("disc layout: writing the %s image (600 MB of content, start-up order %s)" % (name, order))
        subprocess.run([KIT, "medium", "build", "--profile", subjects.product.profile_path, "--root", tree,
                        "--content", content, "--image", image, "--epoch", str(EPOCH), "--capacity", "cd700",
                        "--startup-order", order], check=True, stdout=subprocess.DEVNULL)
        results[name] = layout_of(image, subjects.product)
        os.remove(image)
    shutil.rmtree(content)
    return results
