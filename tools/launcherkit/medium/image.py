"""The medium's ISO 9660 image, written by xorriso: ISO 9660 level 1 names (8.3, as the oldest systems read
them) and Joliet names; the start-up files first, in the order AutoPlay reads them; the size taken before
the image is written; every time stamp `epoch`, and no Rock Ridge, which would record the build
machine's owners and modes."""

import os
import re
import subprocess
import tempfile
import time

from launcherkit import KitError
from launcherkit.medium import capacity as discs

# Higher weights lie at lower blocks.
STARTUP_WEIGHTS = (3, 2, 1)


def quoted(word):
    """A word of an xorriso options file. Content names never hold a double quote (Windows forbids it)."""
    if '"' in word or "\n" in word:
        raise KitError("the path %r cannot be handed to xorriso" % word)
    return '"%s"' % word


def run_xorriso(command, cwd, epoch):
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch), TZ="UTC")
    result = subprocess.run(command, cwd=cwd, env=env, capture_output=True, text=True)
    if result.returncode != 0:
        raise KitError("xorriso failed (%d): %s" % (result.returncode, result.stderr.strip()))
    return result.stdout + result.stderr


def build(profile_values, root, startup, content, image, epoch, capacity, startup_first=True):
    """Writes the image of the start-up files in `root` (their names in `startup`, in the order they must
    lie) and the content (medium.content.Content, or None), with the profile's volume_name, iso_publisher
    and iso_application; returns its size in sectors; refuses before writing one too large for its disc."""
    uuid_date = time.strftime("%Y%m%d%H%M%S00", time.gmtime(epoch))
    command = ["xorriso", "-no_rc", "-report_about", "WARNING", "-local_charset", "UTF-8",
               "-outdev", "stdio:" + os.path.abspath(image),
               "-compliance", "iso_9660_level=1", "-joliet", "on", "-rockridge", "off",
               "-volid", profile_values["volume_name"], "-publisher", profile_values["iso_publisher"],
               "-application_id", profile_values["iso_application"], "-preparer_id", "SCRIPTS/MAKE-MEDIUM.SH",
               "-system_id", "WIN32", "-volset_id", "",
               # xorriso's usual 300 KiB, set explicitly: it keeps old Linux drivers from reading past the end.
               "-padding", "300k",
               "-volume_date", "uuid", uuid_date, "-volume_date", "c", "=%d" % epoch,
               "-volume_date", "m", "=%d" % epoch, "-volume_date", "x", "default", "-volume_date", "f", "default",
               "-volume_date", "all_file_dates", "=%d" % epoch, "-iso_nowtime", "=%d" % epoch,
               "-map", os.path.abspath(root), "/"]
    with tempfile.TemporaryDirectory(prefix="make-medium-") as work:
        if content is not None:
            # The content's paths, read relative to the content folder.
            folders = " ".join(quoted("/" + path) for path in content.folders)
            lines = ["-mkdir %s --" % folders] if folders else []
            lines += ["-map %s %s" % (quoted(f.source), quoted("/" + f.path)) for f in content.files]
            with open(os.path.join(work, "content.xorriso"), "w", encoding="utf-8") as f:
                f.write("\n".join(lines) + "\n")
            command += ["-options_from_file", os.path.join(work, "content.xorriso")]
        for name, weight in zip(startup, STARTUP_WEIGHTS) if startup_first else ():
            command += ["-find", "/" + name, "-exec", "sort_weight", str(weight), "--"]
        cwd = os.path.realpath(content.folder) if content is not None else work
        if os.path.exists(image):
            os.remove(image)
        sized = run_xorriso(command + ["-print_size", "-rollback_end"], cwd, epoch)
        found = re.search(r"Image size\s*:\s*(\d+)s", sized)
        if not found:
            raise KitError("xorriso gave no image size: %s" % sized.strip())
        sectors = int(found.group(1))
        refused = discs.too_large(sectors, capacity)
        if refused:
            raise KitError("%s: %s" % (os.path.basename(image), refused))
        run_xorriso(command + ["-commit"], cwd, epoch)
    written = os.path.getsize(image) // discs.SECTOR
    if written != sectors:
        raise KitError("xorriso wrote %d sectors, having said %d" % (written, sectors))
    return sectors
