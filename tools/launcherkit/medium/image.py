"""The medium's ISO 9660 image, written by xorriso: the start-up files of the root tree and the
publisher's content, with ISO 9660 level 1 names (8.3, upper case, as the oldest systems read them;
libisofs makes them unique) and Joliet names (the content's own long names).

The start-up files lie first, at the lowest blocks after the directories, in the order AutoPlay reads
them: AUTORUN.INF, the launcher, the setup program; each file is one extent. The size is taken before
the image is written, so an image too large for its disc is never written.

Reproducible: every time stamp in the image (files, directories, volume descriptors) is `epoch`. No
Rock Ridge: it would record owners and modes of the build machine."""

import os
import re
import subprocess
import tempfile
import time

from launcherkit import KitError
from launcherkit.medium import capacity as discs

# Higher weights lie at lower blocks.
STARTUP_WEIGHTS = (3, 2, 1)


class BuildError(KitError):
    pass


def quoted(word):
    """A word of an xorriso options file. Content names never hold a double quote (Windows forbids it)."""
    if '"' in word or "\n" in word:
        raise BuildError("the path %r cannot be handed to xorriso" % word)
    return '"%s"' % word


def content_commands(content):
    """xorriso's commands that put the content on the image, read relative to the content folder."""
    lines = []
    if content.folders:
        lines.append("-mkdir " + " ".join(quoted("/" + "/".join(parts)) for parts in content.folders) + " --")
    for f in content.files:
        lines.append("-map %s %s" % (quoted(f.source), quoted("/" + f.path)))
    return "\n".join(lines) + "\n"


def xorriso_command(profile_values, image, root, startup, epoch, options_file, startup_first=True):
    """xorriso's arguments up to the point where the image is sized or written. profile_values: the
    profile's volume name and the ISO texts derived from it (volume_name, iso_publisher, iso_application);
    root: the folder of the start-up files; startup: their names, in the order they must lie."""
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
    if options_file:
        command += ["-options_from_file", options_file]
    if startup_first:
        for name, weight in zip(startup, STARTUP_WEIGHTS):
            command += ["-find", "/" + name, "-exec", "sort_weight", str(weight), "--"]
    return command


def run_xorriso(command, cwd, epoch):
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch), TZ="UTC")
    result = subprocess.run(command, cwd=cwd, env=env, capture_output=True, text=True)
    if result.returncode != 0:
        raise BuildError("xorriso failed (%d): %s" % (result.returncode, result.stderr.strip()))
    return result.stdout + result.stderr


def build(profile_values, root, startup, content, image, epoch, capacity, startup_first=True):
    """Writes the image; returns its size in sectors. Raises discs.CapacityError before writing when it
    would not fit its disc."""
    with tempfile.TemporaryDirectory(prefix="make-medium-") as work:
        options_file = None
        if content is not None:
            options_file = os.path.join(work, "content.xorriso")
            with open(options_file, "w", encoding="utf-8") as f:
                f.write(content_commands(content))
        cwd = os.path.realpath(content.folder) if content is not None else work
        if os.path.exists(image):
            os.remove(image)
        base = xorriso_command(profile_values, image, root, startup, epoch, options_file, startup_first)
        sized = run_xorriso(base + ["-print_size", "-rollback_end"], cwd, epoch)
        found = re.search(r"Image size\s*:\s*(\d+)s", sized)
        if not found:
            raise BuildError("xorriso gave no image size: %s" % sized.strip())
        sectors = int(found.group(1))
        refused = discs.too_large(sectors, capacity)
        if refused:
            raise discs.CapacityError("%s: %s" % (os.path.basename(image), refused))
        run_xorriso(base + ["-commit"], cwd, epoch)
    written = os.path.getsize(image) // discs.SECTOR
    if written != sectors:
        raise BuildError("xorriso wrote %d sectors, having said %d" % (written, sectors))
    return sectors
