"""The medium as a whole: its two trees naming the same files, the start-up files at the lowest blocks in
the order AutoPlay reads them, the size against the disc, the setup program a Windows program and not
the kit's placeholder (unless the image is a trial), and, given the content folder, every file of it on
the image, equal, and nothing else."""

import hashlib
import re
from collections import Counter

from launcherkit.medium import capacity as discs
from launcherkit.medium import content as content_rules
from launcherkit.medium import setup_program

SECTION = "The medium's content"
SETUP_SECTION = "The setup program"
AUTORUN = "AUTORUN.INF"
ISO9660_FILE = re.compile(r"[A-Z0-9_]{1,8}(\.[A-Z0-9_]{0,3})?")
ISO9660_FOLDER = re.compile(r"[A-Z0-9_]{1,8}")


def tree_name(tree):
    return "ISO 9660" if tree == "iso9660" else "Joliet"


def check_same_files(image, label, findings):
    """Both trees hold the same files (by their data's block and size) at the same depths, the same
    number of folders, and ISO 9660 names that are 8.3 and unique in their folder."""
    check = findings.check(SECTION, "the ISO 9660 and the Joliet tree name the same files and folders; the ISO "
                                    "9660 names are 8.3 and unique")
    if "joliet" not in image.roots:
        return
    entries = {tree: image.entries(tree) for tree in ("iso9660", "joliet")}
    data = {tree: Counter((e.depth, e.block, e.size) for e in found if not e.is_folder)
            for tree, found in entries.items()}
    for tree, other in (("joliet", "iso9660"), ("iso9660", "joliet")):
        missing = data[tree] - data[other]
        for entry in entries[tree]:
            key = (entry.depth, entry.block, entry.size)
            if not entry.is_folder and missing[key] > 0:
                missing[key] -= 1
                check.fail("%s:/%s" % (label, entry.path), "%s file" % tree_name(tree),
                           "no %s file with its data (block %d, %d bytes) at its depth" % (tree_name(other),
                                                                                           entry.block, entry.size),
                           "the same files in both trees")
    folders = {tree: sum(e.is_folder for e in found) for tree, found in entries.items()}
    check.expect(folders["iso9660"] == folders["joliet"], label, "folders",
                 "%d in the ISO 9660 tree, %d in the Joliet tree" % (folders["iso9660"], folders["joliet"]),
                 "the same folders in both trees")
    seen = set()
    for entry in entries["iso9660"]:
        name = entry.path.rpartition("/")[2]
        pattern = ISO9660_FOLDER if entry.is_folder else ISO9660_FILE
        check.expect(pattern.fullmatch(name) is not None, "%s:/%s" % (label, entry.path), "ISO 9660 name",
                     '"%s"' % name, "an 8.3 name of A-Z 0-9 _ (ISO 9660 level 1), as the oldest systems read it")
        check.expect(entry.path.upper() not in seen, "%s:/%s" % (label, entry.path), "ISO 9660 name",
                     "a second entry of that name in its folder", "names unique in their folder")
        seen.add(entry.path.upper())


def check_startup_first(image, startup, label, findings):
    """AUTORUN.INF, the launcher and the setup program lie before every other file, in that order."""
    check = findings.check(SECTION, "the start-up files lie first: %s at the lowest blocks, in that order"
                           % ", ".join(startup))
    files = [e for e in image.entries("iso9660") if not e.is_folder]
    blocks = {}
    for name in startup:
        entry = next((e for e in files if e.path.upper() == name.upper()), None)
        if entry is not None:
            blocks[name] = entry
    before = None
    for name in startup:
        if name not in blocks:
            continue
        entry = blocks[name]
        if before is not None:
            check.expect(entry.block > before.block, "%s:/%s" % (label, name), "first block",
                         "%d, before %s's block %d" % (entry.block, before.path, before.block),
                         "a block after %s's" % before.path)
        before = entry
    if before is None:
        return
    last_startup = max(blocks.values(), key=lambda e: e.block)
    for entry in files:
        if entry.path.upper() in (n.upper() for n in startup) or entry.size == 0:
            continue
        if not check.expect(entry.block > last_startup.block, "%s:/%s" % (label, entry.path), "first block",
                            "%d, before %s's block %d" % (entry.block, last_startup.path, last_startup.block),
                            "every other file after the start-up files, so that a start reads them without a "
                            "seek across the disc"):
            break


def check_capacity(image, capacity, label, findings):
    check = findings.check(SECTION, "the image fits a %s disc" % capacity)
    refused = discs.too_large(image.file_sectors, capacity)
    if refused:
        check.failures.append("%s: %s" % (label, refused))
    else:
        check.notes.append("%s: %s" % (label, discs.share(image.file_sectors, capacity)))


def file_sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def check_content_folder(image, folder, startup, label, findings):
    """Every file and folder of the content folder on the image under its Joliet path, byte for byte, and
    nothing else beside the start-up files."""
    check = findings.check(SECTION, "every file of the content folder %s is on the image, equal, and nothing "
                                    "else" % folder)
    try:
        content = content_rules.scan(folder, startup)
    except content_rules.ContentRefused as refused:
        check.failures += refused.lines
        return
    tree = "joliet" if "joliet" in image.roots else "iso9660"
    on_image = {e.path: e for e in image.entries(tree)}
    wanted = {"/".join(parts) for parts in content.folders}
    for parts in content.folders:
        path = "/".join(parts)
        check.expect(path in on_image and on_image[path].is_folder, "%s:/%s" % (label, path), "folder",
                     "no such folder in the %s tree" % tree_name(tree), "the content folder's folder %s" % path)
    for f in content.files:
        wanted.add(f.path)
        where = "%s:/%s" % (label, f.path)
        entry = on_image.get(f.path)
        if not check.expect(entry is not None and not entry.is_folder, where, "file",
                            "no such file in the %s tree" % tree_name(tree),
                            "the content folder's file %s" % f.path):
            continue
        source = "%s/%s" % (content.folder, f.source)
        if entry.size != f.size:
            check.fail(where, "size", "%d bytes" % entry.size, "%d bytes, as %s" % (f.size, source))
        elif image.sha256(tree, f.path) != file_sha256(source):
            check.fail(where, "bytes", "other bytes than the content folder's", "the bytes of %s" % source)
    startup_upper = {name.upper() for name in startup}
    for path, entry in on_image.items():
        if path not in wanted and path.upper() not in startup_upper:
            check.fail("%s:/%s" % (label, path), "folder" if entry.is_folder else "file",
                       "an entry the content folder does not hold", "the content folder's files and the "
                       "start-up files only")


def check_setup_program(image, name, trial, label, findings):
    """The setup program a Windows program the install button can start, and the product's own."""
    where = "%s:/%s" % (label, name)
    data = image.read(image.find("iso9660", name))
    runs = findings.check(SETUP_SECTION, "the setup program is a Windows program (GUI or console subsystem)")
    fault, warning = setup_program.examine(data)
    if fault:
        runs.fail(where, "setup program", *fault)
    if warning:
        runs.notes.append("%s: %s" % (where, warning))
    placeholder = setup_program.is_placeholder(data)
    own = findings.check(SETUP_SECTION, "the setup program is the product's, not the kit's placeholder"
                         + (" (a trial image may carry the placeholder)" if trial else ""))
    if placeholder and trial:
        own.notes.append("%s: the kit's placeholder (a trial image, as --trial says)" % where)
    elif placeholder:
        own.fail(where, "setup program", "the kit's placeholder (its version block says so), which installs nothing",
                 "the product's setup program (make-medium.sh --setup), or --trial for a trial image")
    else:
        own.notes.append("%s: the product's own (%d bytes)" % (where, len(data)))
    return placeholder


def check_content(image, medium_facts, product, content_folder, capacity, trial, label, findings):
    """The checks of the medium as a whole; returns the report's lines that list the medium's files and
    say what its setup program is."""
    startup = [AUTORUN] + [name for name in (medium_facts.launcher, medium_facts.setup) if name]
    check_same_files(image, label, findings)
    check_startup_first(image, startup, label, findings)
    check_capacity(image, capacity, label, findings)
    if content_folder is not None:
        check_content_folder(image, content_folder, startup, label, findings)
    placeholder = None
    if medium_facts.setup is not None:
        placeholder = check_setup_program(image, medium_facts.setup, trial, label, findings)
    tree = "joliet" if "joliet" in image.roots else "iso9660"
    lines = ["", "## The medium's files", "",
             "- setup program: %s" % ("none found" if placeholder is None else
                                      "**the kit's placeholder**%s" % (" (a trial image)" if trial else "")
                                      if placeholder else "the product's own"),
             "- content folder: %s" % ("`%s`, compared file by file" % content_folder if content_folder else
                                       "none given (--content, or the profile's content_folder): the files below "
                                       "are listed, not compared"),
             "- image: %s" % discs.share(image.file_sectors, capacity), "",
             "| path (%s) | size in bytes | first block |" % tree_name(tree), "| --- | ---: | ---: |"]
    lines += ["| %s | %s | %d |" % (e.path.replace("|", "\\|"), format(e.size, ","), e.block)
              for e in image.entries(tree) if not e.is_folder]
    return lines
