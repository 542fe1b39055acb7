"""The medium itself: AUTORUN.INF as Windows reads it and the files it names in both of the image's trees,
the setup program beside the launcher; then the medium as a whole: both trees naming the same files, the
start-up files first, the size against the disc, the setup program a Windows program and not the kit's
placeholder (unless a trial), and every file of the content folder on the image, equal, and nothing else."""

import hashlib
import re
from collections import Counter
from types import SimpleNamespace

from launcherkit import KitError
from launcherkit.iso_image import ImageError
from launcherkit.medium import capacity as discs
from launcherkit.medium import content as content_rules
from launcherkit.medium import setup_program
from launcherkit.medium.content import AUTORUN
from launcherkit.profile import quoted
from launcherkit.profile_output import autorun_bytes

SECTION = "The medium"
CONTENT_SECTION = "The medium's content"
SETUP_SECTION = "The setup program"
KEYS = ("open", "icon", "label", "action")
# Byte order marks of the texts Windows-1252 is not: their NUL bytes would read as bare line ends and
# their keys as none.
UNICODE_MARKS = ((b"\xff\xfe", "UTF-16 (little-endian)"), (b"\xfe\xff", "UTF-16 (big-endian)"),
                 (b"\xef\xbb\xbf", "UTF-8"))
ISO9660_FILE = re.compile(r"[A-Z0-9_]{1,8}(\.[A-Z0-9_]{0,3})?")
ISO9660_FOLDER = re.compile(r"[A-Z0-9_]{1,8}")
TREE_NAMES = {"iso9660": "ISO 9660", "joliet": "Joliet"}


def autorun_lines(data, where, check):
    """The decoded lines of AUTORUN.INF, after checking its code page and line endings; None when it is
    a Unicode text, which is not read further."""
    for mark, name in UNICODE_MARKS:
        if data.startswith(mark):
            check.fail(where, "byte 0", "a %s text (byte order mark %s)" % (name, mark.hex(" ").upper()),
                       "a text in the ANSI code page Windows-1252, which every Windows reads")
            return None
    try:
        text = data.decode("cp1252")
    except UnicodeDecodeError as error:
        check.fail(where, "byte %d" % error.start, "0x%02X, which Windows-1252 does not have" % data[error.start],
                   "a text in the ANSI code page Windows-1252")
        text = data.decode("cp1252", "replace")
    lines = text.split("\r\n")
    bare = next(((number, line) for number, line in enumerate(lines, 1) if "\r" in line or "\n" in line), None)
    if bare:
        check.fail("%s:%d" % (where, bare[0]), "line ending", "a bare %s" % ("CR" if "\r" in bare[1] else "LF"),
                   "CR LF at the end of every line, as Windows reads an INI file")
    if lines[-1] != "":
        check.fail("%s:%d" % (where, len(lines)), "last line", "no CR LF after it", "CR LF at the end of every line")
    return lines


def autorun_values(lines):
    """{key: (line number, value)} of the [autorun] section, the first of each key as Windows takes it."""
    values, section = {}, None
    for number, line in enumerate(lines, 1):
        line = line.strip()
        if re.fullmatch(r"\[.*\]", line):
            section = line[1:-1].strip().lower()
        elif section == "autorun" and "=" in line and not line.startswith(";"):
            key, value = (part.strip() for part in line.split("=", 1))
            values.setdefault(key.lower(), (number, value))
    return values


def named_file(key, value):
    """The file that an open= or icon= value names: open's program, icon's file before its ",index"."""
    value = value.strip()
    if key == "icon":
        return re.sub(r",\s*-?\d+$", "", value).strip('"')
    if value.startswith('"'):
        return value[1:].split('"', 1)[0]
    return value.split()[0].strip('"') if value else ""


def check_in_both_trees(image, name, where, check, required="the file AUTORUN.INF names, under that name"):
    for tree in TREE_NAMES:
        check.expect(image.find(tree, name) is not None, where, "%s in the %s tree" % (name, TREE_NAMES[tree]),
                     "no such file (the root holds %s)" % ", ".join(image.names(tree)), required)


def check_medium(image, product, findings, label):
    """Checks the medium `image` (an IsoImage) against `product` (None: the names the image gives); returns
    the launcher AUTORUN.INF opens and the setup program beside it (None where not found), AUTORUN.INF's text."""
    facts = SimpleNamespace(launcher=None, setup=None, autorun_text="")
    where = "%s:/%s" % (label, AUTORUN)
    trees = findings.check(SECTION, "the image has an ISO 9660 and a Joliet tree, and AUTORUN.INF in both")
    trees.expect("joliet" in image.roots, label, "Joliet tree", "none", "Joliet names beside the ISO 9660 names")
    check_in_both_trees(image, AUTORUN, label, trees, "AUTORUN.INF on the root, where AutoPlay reads it")
    if image.find("iso9660", AUTORUN) is None:
        return facts

    form = findings.check(SECTION, "AUTORUN.INF is Windows-1252 text with CR LF lines and open=, icon=, label=, "
                                   "action=")
    try:
        data = image.read(image.find("iso9660", AUTORUN))
    except ImageError as error:
        form.fail(where, "file", "no bytes that can be read (%s)" % error, "the file's bytes, whole, in the image")
        return facts
    facts.autorun_text = data.decode("cp1252", "replace")
    lines = autorun_lines(data, where, form)
    if lines is None:
        return facts
    values = autorun_values(lines)
    for key in KEYS:
        form.expect(key in values, where, "%s=" % key, "no such line in [autorun]",
                    "a line %s=... in the [autorun] section" % key)

    names = findings.check(SECTION, "every file AUTORUN.INF names is on the image in both trees")
    for key in [key for key in ("open", "icon") if key in values]:
        value, at = values[key][1], "%s:%d" % (where, values[key][0])
        if names.expect(named_file(key, value) != "", at, key + "=", "an empty value" if not value else
                        "no file name in %s" % quoted(value), "the name of a file on the image"):
            check_in_both_trees(image, named_file(key, value), at, names)
        else:
            del values[key]
    if "open" in values:
        facts.launcher = image.find("iso9660", named_file("open", values["open"][1]))

    if product is not None:
        own = findings.check(SECTION, "AUTORUN.INF and the volume name are the profile's")
        profile_autorun = autorun_values(autorun_bytes(product.profile).decode("cp1252").split("\r\n"))
        for key, (_, required) in profile_autorun.items():
            if key in values:
                number, value = values[key]
                own.expect(value == required, "%s:%d" % (where, number), key + "=", quoted(value),
                           "%s, as the profile %s gives it" % (quoted(required), product.profile_path))
        own.expect(image.volume_name == product.volume_name, label, "volume name", quoted(image.volume_name),
                   "%s (the profile's volume_name)" % quoted(product.volume_name))

    setup = findings.check(SECTION, "the setup program is on the image")
    if product is not None:
        check_in_both_trees(image, product.setup_program, label, setup,
                            "the setup program the profile names, beside the launcher")
        facts.setup = image.find("iso9660", product.setup_program)
    else:
        others = [n for n in image.names("iso9660") if n.upper().endswith(".EXE") and n != facts.launcher]
        if setup.expect(len(others) == 1, label, "setup program", "%d programs beside the launcher (%s)"
                        % (len(others), ", ".join(others) or "none"), "exactly one, or a profile naming it"):
            facts.setup = others[0]
    return facts


def check_same_files(image, label, check):
    """Both trees hold the same files (by their data's block and size) at the same depths, the same
    number of folders, and ISO 9660 names that are 8.3 and unique in their folder."""
    entries = {tree: image.entries(tree) for tree in TREE_NAMES}
    data = {tree: Counter((e.depth, e.block, e.size) for e in found if not e.is_folder)
            for tree, found in entries.items()}
    for tree, other in (("joliet", "iso9660"), ("iso9660", "joliet")):
        missing = data[tree] - data[other]
        for entry in entries[tree]:
            key = (entry.depth, entry.block, entry.size)
            if not entry.is_folder and missing[key] > 0:
                missing[key] -= 1
                check.fail("%s:/%s" % (label, entry.path), "%s file" % TREE_NAMES[tree],
                           "no %s file with its data (block %d, %d bytes) at its depth"
                           % (TREE_NAMES[other], entry.block, entry.size), "the same files in both trees")
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


def check_startup_first(image, startup, label, check):
    """AUTORUN.INF, the launcher and the setup program lie before every other file, in that order."""
    files = [e for e in image.entries("iso9660") if not e.is_folder]
    found = [e for name in startup for e in files if e.path.upper() == name.upper()][:len(startup)]
    last = max(found, key=lambda e: e.block, default=None)
    pairs = [(before, entry, "a block after %s's" % before.path) for before, entry in zip(found, found[1:])]
    # Of the other files, the first that lies before the start-up files.
    pairs += [(last, entry, "every other file after the start-up files, so that a start reads them without a "
                            "seek across the disc") for entry in files if last and entry not in found and entry.size
              and entry.block <= last.block][:1]
    for before, entry, required in pairs:
        check.expect(entry.block > before.block, "%s:/%s" % (label, entry.path), "first block",
                     "%d, before %s's block %d" % (entry.block, before.path, before.block), required)


def check_content_folder(image, folder, startup, tree, label, check):
    """The content folder on the image, byte for byte, and nothing else beside the start-up files."""
    try:
        content = content_rules.scan(folder, startup)
    except KitError as refused:
        check.failures += str(refused).splitlines()
        return
    on_image, files = {e.path: e for e in image.entries(tree)}, {f.path: f for f in content.files}
    for path in content.folders + list(files):
        where, entry, kind = "%s:/%s" % (label, path), on_image.get(path), "file" if path in files else "folder"
        there = check.expect(entry is not None and entry.is_folder == (kind == "folder"), where, kind,
                             "no such %s in the %s tree" % (kind, TREE_NAMES[tree]),
                             "the content folder's %s %s" % (kind, path))
        if not there or kind == "folder":
            continue
        f, source = files[path], "%s/%s" % (content.folder, files[path].source)
        if entry.size != f.size:
            check.fail(where, "size", "%d bytes" % entry.size, "%d bytes, as %s" % (f.size, source))
            continue
        with open(source, "rb") as data:
            equal = image.sha256(tree, f.path) == hashlib.file_digest(data, "sha256").hexdigest()
        check.expect(equal, where, "bytes", "other bytes than the content folder's", "the bytes of %s" % source)
    wanted, startup_upper = set(content.folders) | set(files), {name.upper() for name in startup}
    for path, entry in on_image.items():
        if path not in wanted and path.upper() not in startup_upper:
            check.fail("%s:/%s" % (label, path), "folder" if entry.is_folder else "file",
                       "an entry the content folder does not hold", "the content folder's files and the "
                       "start-up files only")


def check_setup_program(image, name, trial, label, findings):
    """The setup program a Windows program and the product's own; returns whether it is the placeholder."""
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


def check_content(image, facts, content_folder, capacity, trial, label, findings):
    """The checks of the medium as a whole; returns the report's lines on its files and its setup program."""
    startup = [AUTORUN] + [name for name in (facts.launcher, facts.setup) if name]
    tree = "joliet" if "joliet" in image.roots else "iso9660"
    same = findings.check(CONTENT_SECTION, "the ISO 9660 and the Joliet tree name the same files and folders; the "
                                           "ISO 9660 names are 8.3 and unique")
    if tree == "joliet":
        check_same_files(image, label, same)
    check_startup_first(image, startup, label, findings.check(
        CONTENT_SECTION, "the start-up files lie first: %s at the lowest blocks, in that order" % ", ".join(startup)))
    fits = findings.check(CONTENT_SECTION, "the image fits a %s disc" % capacity)
    refused = discs.too_large(image.file_sectors, capacity)
    (fits.failures if refused else fits.notes).append(
        "%s: %s" % (label, refused or discs.share(image.file_sectors, capacity)))
    if content_folder is not None:
        check_content_folder(image, content_folder, startup, tree, label, findings.check(
            CONTENT_SECTION, "every file of the content folder %s is on the image, equal, and nothing else"
            % content_folder))
    placeholder = None
    if facts.setup is not None:
        placeholder = check_setup_program(image, facts.setup, trial, label, findings)
    lines = ["", "## The medium's files", "",
             "- setup program: %s" % ("none found" if placeholder is None else
                                      "**the kit's placeholder**%s" % (" (a trial image)" if trial else "")
                                      if placeholder else "the product's own"),
             "- content folder: %s" % ("`%s`, compared file by file" % content_folder if content_folder else
                                       "none given (--content, or the profile's content_folder): the files below "
                                       "are listed, not compared"),
             "- image: %s" % discs.share(image.file_sectors, capacity), "",
             "| path (%s) | size in bytes | first block |" % TREE_NAMES[tree], "| --- | ---: | ---: |"]
    return lines + ["| %s | %s | %d |" % (e.path.replace("|", "\\|"), format(e.size, ","), e.block)
                    for e in image.entries(tree) if not e.is_folder]
