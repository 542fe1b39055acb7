"""Where the start-up files lie on a full disc: a medium of the product's start-up files and 600 MB of
generated content (tools/kit medium build), laid out in xorriso's own order and with the start-up files
first. Reported: the blocks of the Joliet root directory (which Windows reads first), AUTORUN.INF and the
launcher, which a cold start reads in that order; they do not depend on the machine or its load."""

import os
import shutil
import subprocess

from launcherkit import SOURCE_DIR
from launcherkit.iso_image import IsoImage

from bench.depth_bench import log

KIT = os.path.join(SOURCE_DIR, "tools", "kit")
# Thirty sparse files of 20 MB (no disc space to make), in a folder whose name comes before the launcher's
# in the directory's order.
CONTENT_BYTES, CONTENT_FILES, CONTENT_FOLDER = 600 * 1024 * 1024, 30, "Daten"
EPOCH = 1704067200


def measure(args, work):
    """{"content_bytes", "content_files", "before": blocks, "after": blocks}; the images are removed
    afterwards."""
    product = args.product
    content, tree = os.path.join(work, "content"), os.path.join(work, "tree")
    for folder in (content, tree):
        shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(content, CONTENT_FOLDER))
    for number in range(CONTENT_FILES):
        with open(os.path.join(content, CONTENT_FOLDER, "Teil %02d.dat" % number), "wb") as f:
            f.truncate(CONTENT_BYTES // CONTENT_FILES)
    # The start-up files: AUTORUN.INF, the launcher and the recorder as setup program.
    os.makedirs(tree)
    subprocess.run([KIT, "profile", "autorun", product.profile_path, os.path.join(tree, "AUTORUN.INF")], check=True)
    shutil.copyfile(args.programs.launcher, os.path.join(tree, product.launcher_file))
    shutil.copyfile(args.programs.recorder, os.path.join(tree, product.setup_program))
    results = {"content_bytes": CONTENT_BYTES, "content_files": CONTENT_FILES}
    for name, order in (("before", "off"), ("after", "on")):
        path = os.path.join(work, "%s.iso" % name)
        log("disc layout: writing the %s image (600 MB of content, start-up order %s)" % (name, order))
        subprocess.run([KIT, "medium", "build", "--profile", product.profile_path, "--root", tree,
                        "--content", content, "--image", path, "--epoch", str(EPOCH), "--capacity", "cd700",
                        "--startup-order", order], check=True, stdout=subprocess.DEVNULL)
        with IsoImage(path) as image:
            blocks = {e.path: e.block for e in image.entries("joliet")}
            results[name] = {"directory": image.root_block("joliet"), "autorun": blocks["AUTORUN.INF"],
                             "launcher": blocks[product.launcher_file]}
        os.remove(path)
    shutil.rmtree(content)
    return results
