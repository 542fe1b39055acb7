"""The publisher's content folder: every entry goes onto the medium under the same relative path, so each
name must be one Windows can open from the disc and both of the image's trees can hold. scan() refuses
every one that cannot, a line each in the kit's form of a fault, refusal(), which check-medium's take."""

import os
import stat
from dataclasses import dataclass, field

from launcherkit import KitError

AUTORUN = "AUTORUN.INF"
# Device names Windows opens instead of a file, whatever extension follows them.
RESERVED_NAMES = {"CON", "PRN", "AUX", "NUL"} | {"COM%d" % n for n in range(1, 10)} | \
                 {"LPT%d" % n for n in range(1, 10)}
FORBIDDEN_CHARACTERS = '<>:"/\\|?*'
# Joliet keeps at most 64 characters of a name (UCS-2, 128 bytes) and a path of at most 240; Windows'
# own path limit (260 with "D:\" and the terminator) lies just above that.
JOLIET_NAME_MAX = 64
JOLIET_PATH_MAX = 240
# ISO 9660 keeps at most 8 levels of directories, the root being the first.
ISO9660_FOLDER_DEPTH_MAX = 7
SPECIAL_FILES = {stat.S_IFIFO: "a FIFO (named pipe)", stat.S_IFSOCK: "a socket", stat.S_IFCHR: "a character device",
                 stat.S_IFBLK: "a block device"}


@dataclass(frozen=True)
class ContentFile:
    parts: tuple        # the path below the content folder, one name per level
    source: str         # the path to read, relative to the content folder (a link's target for a link)
    size: int

    @property
    def path(self):
        return "/".join(self.parts)


@dataclass
class Content:
    """What goes on the medium: `folders` (tuples of names, parents first) and `files` (ContentFile),
    both in the order of a walk sorted by name."""
    folder: str
    folders: list = field(default_factory=list)
    files: list = field(default_factory=list)


class ContentRefused(KitError):
    def __init__(self, lines):
        super().__init__("\n".join(lines))
        self.lines = lines


def refusal(where, what, found, required):
    return "%s: %s: found %s; required %s" % (where, what, found, required)


def content_folder(profile, given=None):
    """The content folder: `given` (--content), else the profile's content_folder; None for neither."""
    return given or (profile.folder("content_folder") if profile.get("content_folder") else None)


def shown(name):
    """A name as a message shows it: control characters as \\xNN, bytes that are not UTF-8 as \\xNN."""
    text = os.fsencode(name).decode("utf-8", "backslashreplace")
    return "".join(c if c.isprintable() else "\\x%02x" % ord(c) for c in text)


def name_fault(name):
    """(found, required) when `name` cannot stand on the medium as it is, else None."""
    quoted = '"%s"' % shown(name)
    try:
        os.fsencode(name).decode("utf-8")
    except UnicodeDecodeError as error:
        return ("%s, whose byte 0x%02X is not UTF-8" % (quoted, os.fsencode(name)[error.start]),
                "a name in UTF-8, so that its letters are known")
    for at, c in enumerate(name, 1):
        if ord(c) < 0x20 or ord(c) == 0x7F or c in FORBIDDEN_CHARACTERS:
            what = "the control character U+%04X" % ord(c) if not c.isprintable() else '"%s"' % c
            return ("%s with %s at character %d" % (quoted, what, at),
                    'none of < > : " / \\ | ? * and no control characters (Windows forbids them in file names)')
        try:
            c.encode("cp1252")
        except UnicodeEncodeError:
            return ('%s with "%s" (U+%04X) at character %d' % (quoted, c, ord(c), at),
                    "letters of Windows-1252 (Windows 95 and 98 read the disc's Joliet names in that code page)")
    if name.endswith((".", " ")):
        return ("%s, ending in a %s" % (quoted, "dot" if name.endswith(".") else "space"),
                "a name that ends in neither a dot nor a space (Windows drops them and finds no such file)")
    device = name.split(".")[0].rstrip(" ").upper()
    if device in RESERVED_NAMES:
        return ("%s, the name of the device %s" % (quoted, device),
                "a name other than CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with or without an extension "
                "(Windows opens the device instead)")
    if len(name) > JOLIET_NAME_MAX:
        return ("%s, %d characters long" % (quoted, len(name)),
                "at most %d characters (the longest name Joliet keeps)" % JOLIET_NAME_MAX)
    return None


def scan(folder, reserved_root_names):
    """The Content of `folder`; raises ContentRefused with a line for every entry that cannot go on the
    medium. `reserved_root_names`: the names the medium's root keeps for the start-up files."""
    top = os.path.realpath(folder)
    content = Content(folder)
    lines = []
    if not os.path.isdir(folder):
        raise ContentRefused([refusal(folder, "content folder", "no such folder", "a folder of the product's files")])
    reserved = {name.upper(): name for name in reserved_root_names}

    def walk(parts):
        here = os.path.join(folder, *parts)
        try:
            names = sorted(os.listdir(here))
        except OSError as error:
            lines.append(refusal(here, "folder", "a folder that cannot be read (%s)" % error.strerror,
                                 "a folder the build can read"))
            return
        by_case = {}
        for name in names:
            by_case.setdefault(name.upper(), []).append(name)
        for name in names:
            path = os.path.join(here, name)
            entry = parts + (name,)
            where = shown(path)
            fault = name_fault(name)
            if fault:
                lines.append(refusal(where, "name", *fault))
                continue
            # The first of such names stands; each later one is refused.
            twins = [other for other in by_case[name.upper()] if other < name]
            if twins:
                lines.append(refusal(where, "name", '"%s" beside "%s", which differs only in letter case'
                                     % (name, shown(twins[0])),
                                     "names that differ in more than letter case (Windows sees one file)"))
                continue
            if not parts and name.upper() in reserved:
                lines.append(refusal(where, "name", '"%s" at the top of the content folder' % name,
                                     "no file or folder named %s there in any letter case: the medium's root holds "
                                     "the start-up files under those names" % ", ".join(reserved.values())))
                continue
            joliet_path = "/".join(entry)
            if len(joliet_path) > JOLIET_PATH_MAX:
                lines.append(refusal(where, "path", "%d characters below the content folder" % len(joliet_path),
                                     "at most %d (the longest path Joliet keeps)" % JOLIET_PATH_MAX))
                continue
            source = os.path.join(*entry)
            info = os.lstat(path)
            if stat.S_ISLNK(info.st_mode):
                target = os.path.realpath(path)
                if os.path.commonpath([top, target]) != top:
                    lines.append(refusal(where, "symbolic link", "a link to %s, outside the content folder"
                                         % shown(target),
                                         "links that stay inside the content folder (the medium carries what "
                                         "they point to)"))
                    continue
                if not os.path.exists(target):
                    lines.append(refusal(where, "symbolic link", "a link to %s, which does not exist" % shown(target),
                                         "links to files that exist"))
                    continue
                info = os.stat(target)
                if stat.S_ISDIR(info.st_mode):
                    lines.append(refusal(where, "symbolic link", "a link to the folder %s" % shown(target),
                                         "links to files only (a linked folder would stand on the medium twice)"))
                    continue
                source = os.path.relpath(target, top)
            if stat.S_ISDIR(info.st_mode):
                if len(entry) > ISO9660_FOLDER_DEPTH_MAX:
                    lines.append(refusal(where, "folder", "a folder %d levels below the medium's root" % len(entry),
                                         "at most %d (ISO 9660 keeps 8 levels of folders, the root included, as "
                                         "the oldest systems read them)" % ISO9660_FOLDER_DEPTH_MAX))
                    continue
                content.folders.append(entry)
                walk(entry)
            elif stat.S_ISREG(info.st_mode):
                try:
                    with open(os.path.join(top, source), "rb") as f:
                        f.read(1)
                except OSError as error:
                    lines.append(refusal(where, "file", "a file that cannot be read (%s)" % error.strerror,
                                         "files the build can read"))
                    continue
                content.files.append(ContentFile(entry, source, info.st_size))
            else:
                lines.append(refusal(where, "file", SPECIAL_FILES.get(stat.S_IFMT(info.st_mode), "a special file"),
                                     "regular files and folders only"))

    walk(())
    if lines:
        raise ContentRefused(lines)
    return content
