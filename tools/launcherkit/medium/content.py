"""The publisher's content folder: every entry goes onto the medium under the same relative path, so each
name must be one Windows can open from the disc and both of the image's trees can hold. scan() refuses
every one that cannot, a line each in the kit's form of a fault, refusal(), which check-medium's take."""

import os
import stat
from collections import namedtuple

from launcherkit import KitError
from launcherkit.profile import DEVICE_NAMES, DEVICE_NAMES_TEXT

AUTORUN = "AUTORUN.INF"
FORBIDDEN_CHARACTERS = '<>:"/\\|?*'
# Joliet keeps at most 64 characters of a name (UCS-2, 128 bytes) and a path of at most 240; Windows'
# own path limit (260 with "D:\" and the terminator) lies just above that.
JOLIET_NAME_MAX = 64
JOLIET_PATH_MAX = 240
# ISO 9660 keeps at most 8 levels of directories, the root being the first.
ISO9660_FOLDER_DEPTH_MAX = 7
SPECIAL_FILES = {stat.S_IFIFO: "a FIFO (named pipe)", stat.S_IFSOCK: "a socket", stat.S_IFCHR: "a character device",
                 stat.S_IFBLK: "a block device"}
# What goes on the medium, in the order of a walk sorted by name: the paths below the content folder of its
# `folders` (parents first) and `files`, each file read from its `source` (a link's target for a link).
Content = namedtuple("Content", "folder folders files")
ContentFile = namedtuple("ContentFile", "path source size")


def refusal(where, what, found, required):
    return "%s: %s: found %s; required %s" % (where, what, found, required)


def content_folder(profile, given=None):
    """The content folder: `given` (--content), else the profile's content_folder; None for neither."""
    return given or (profile.folder("content_folder") if profile.get("content_folder") else None)


def shown(name):
    """A name as a message shows it: control characters as \\xNN, bytes that are not UTF-8 as \\xNN."""
    text = os.fsencode(name).decode("utf-8", "backslashreplace")
    return "".join(c if c.isprintable() else "\\x%02x" % ord(c) for c in text)


def name_fault(name, first, reserved):
    """(found, required) when `name` cannot stand on the medium as it is, else None. `first`: the first name
    of its folder that differs from it at most in letter case; `reserved`: the names its folder keeps."""
    quoted = '"%s"' % shown(name)
    # os.listdir gives each byte that is not UTF-8 as a lone surrogate U+DC80..U+DCFF.
    escaped = [c for c in name if "\udc80" <= c <= "\udcff"]
    if escaped:
        return ("%s, whose byte 0x%02X is not UTF-8" % (quoted, ord(escaped[0]) - 0xDC00),
                "a name in UTF-8, so that its letters are known")
    for at, c in enumerate(name, 1):
        if ord(c) < 0x20 or ord(c) == 0x7F or c in FORBIDDEN_CHARACTERS:
            what = "the control character U+%04X" % ord(c) if not c.isprintable() else '"%s"' % c
            return ("%s with %s at character %d" % (quoted, what, at),
                    'none of < > : " / \\ | ? * and no control characters (Windows forbids them in file names)')
        if not c.encode("cp1252", "ignore"):
            return ('%s with "%s" (U+%04X) at character %d' % (quoted, c, ord(c), at),
                    "letters of Windows-1252 (Windows 95 and 98 read the disc's Joliet names in that code page)")
    device = name.split(".")[0].rstrip(" ").upper()
    rules = (
        (name.endswith((".", " ")), "%s, ending in a %s" % (quoted, "dot" if name.endswith(".") else "space"),
         "a name that ends in neither a dot nor a space (Windows drops them and finds no such file)"),
        (device in DEVICE_NAMES, "%s, the name of the device %s" % (quoted, device),
         "a name other than %s, with or without an extension (Windows opens the device instead)"
         % DEVICE_NAMES_TEXT),
        (len(name) > JOLIET_NAME_MAX, "%s, %d characters long" % (quoted, len(name)),
         "at most %d characters (the longest name Joliet keeps)" % JOLIET_NAME_MAX),
        (first != name, '"%s" beside "%s", which differs only in letter case' % (name, shown(first)),
         "names that differ in more than letter case (Windows sees one file)"),
        (name.upper() in {n.upper() for n in reserved}, '"%s" at the top of the content folder' % name,
         "no file or folder named %s there in any letter case: the medium's root holds the start-up files under "
         "those names" % ", ".join(reserved)))
    return next(((found, required) for wrong, found, required in rules if wrong), None)


def entry_fault(top, path, entry, first, reserved):
    """(what, found, required) when the entry at `path` (`entry`: its names below the content folder `top`)
    cannot go on the medium, else None; `first` and `reserved` as name_fault takes them."""
    fault = name_fault(entry[-1], first, reserved)
    if fault:
        return ("name",) + fault
    if len("/".join(entry)) > JOLIET_PATH_MAX:
        return ("path", "%d characters below the content folder" % len("/".join(entry)),
                "at most %d (the longest path Joliet keeps)" % JOLIET_PATH_MAX)
    target = os.path.realpath(path)
    if os.path.islink(path):
        if os.path.commonpath([top, target]) != top:
            return ("symbolic link", "a link to %s, outside the content folder" % shown(target),
                    "links that stay inside the content folder (the medium carries what they point to)")
        if not os.path.exists(target):
            return "symbolic link", "a link to %s, which does not exist" % shown(target), "links to files that exist"
        if os.path.isdir(target):
            return ("symbolic link", "a link to the folder %s" % shown(target),
                    "links to files only (a linked folder would stand on the medium twice)")
    mode = os.stat(target).st_mode
    if stat.S_ISDIR(mode) and len(entry) > ISO9660_FOLDER_DEPTH_MAX:
        return ("folder", "a folder %d levels below the medium's root" % len(entry),
                "at most %d (ISO 9660 keeps 8 levels of folders, the root included, as the oldest systems read "
                "them)" % ISO9660_FOLDER_DEPTH_MAX)
    if not stat.S_ISDIR(mode) and not stat.S_ISREG(mode):
        return "file", SPECIAL_FILES.get(stat.S_IFMT(mode), "a special file"), "regular files and folders only"
    if stat.S_ISREG(mode):
        try:
            with open(target, "rb") as f:
                f.read(1)
        except OSError as error:
            return "file", "a file that cannot be read (%s)" % error.strerror, "files the build can read"
    return None


def scan(folder, reserved_root_names):
    """The Content of `folder`; raises KitError with a line for every entry that cannot go on the medium.
    `reserved_root_names`: the names the medium's root keeps for the start-up files."""
    if not os.path.isdir(folder):
        raise KitError(refusal(folder, "content folder", "no such folder", "a folder of the product's files"))
    top, content, lines = os.path.realpath(folder), Content(folder, [], []), []

    def walk(parts):
        here = os.path.join(folder, *parts)
        try:
            names = sorted(os.listdir(here))
        except OSError as error:
            lines.append(refusal(here, "folder", "a folder that cannot be read (%s)" % error.strerror,
                                 "a folder the build can read"))
            return
        first = {name.upper(): name for name in reversed(names)}  # of names alike but for letter case
        for name in names:
            path, entry = os.path.join(here, name), parts + (name,)
            fault = entry_fault(top, path, entry, first[name.upper()], () if parts else reserved_root_names)
            if fault:
                lines.append(refusal(shown(path), *fault))
            elif os.path.isdir(path):
                content.folders.append("/".join(entry))
                walk(entry)
            else:
                content.files.append(ContentFile("/".join(entry), os.path.relpath(os.path.realpath(path), top),
                                                 os.path.getsize(path)))

    walk(())
    if lines:
        raise KitError("\n".join(lines))
    return content
