"""The record a resource folder keeps of its art (art-made-for.txt, written by make-art), and its check
(tools/kit art check), which refuses art made for another product, older than its masters or sound sources,
or drawn with texts the profile no longer holds."""

import hashlib
import os
import re

from launcherkit import KitError, command, write_if_changed
from launcherkit.art import MASTERS, PRODUCT_MASTERS, SOUNDS
from launcherkit.art.drawing import drawn_keys
from launcherkit.art.folders import Folders

HEADER = """\
# The product the pictures, sounds and icon in this folder were made for, and the SHA-256 of each master and
# sound source they were made from; for each master make-art drew, how (plain COLOUR or shipped) and in which
# masters folder, and the profile's texts the drawn masters show. Written by tools/kit art make; `tools/kit art
# check PROFILE` refuses art made for another product, older than its masters or drawn with other texts.
"""
NO_MASTER = "none"
SYNTHESISED = "synthesised"
NOT_RECORDED = "not recorded"
SHIPPED = "shipped"


class ManifestError(KitError):
    """The record cannot be read as make-art writes it."""


def recorded_form(path, absent):
    """How the manifest records one source file: its name and SHA-256, or `absent`."""
    if path is None:
        return absent
    with open(path, "rb") as f:
        return "%s %s" % (os.path.basename(path), hashlib.sha256(f.read()).hexdigest())


def sources(folders):
    """{key: recorded form} of every master and sound source in `folders`, in the manifest's order."""
    found = {"master " + name: recorded_form(folders.master(name), NO_MASTER) for name in MASTERS}
    for name in SOUNDS:
        found["sound_source " + name] = recorded_form(folders.sound_source(name), SYNTHESISED)
    return found


def plain_colour(style):
    """The colour of a drawn master's style "plain #RRGGBB"; None for the shipped drawing."""
    return style.split(" ", 1)[1] if style.startswith("plain ") else None


def write_manifest(folders, profile, drawn):
    """Writes the record of the art made for `profile` from the masters in `folders`; `drawn` is {master:
    (style, folder)} of the masters make-art drew ("plain #RRGGBB" or "shipped", in that masters folder, or ""
    where an older record does not say) and that are still its drawing."""
    lines = ["product_name = " + profile["product_name"]] + ["%s = %s" % item for item in sources(folders).items()]
    lines += ["drawn %s = %s" % (name, " in ".join(filter(None, drawn[name]))) for name in MASTERS if name in drawn]
    keys = dict.fromkeys(k for name, (style, _) in drawn.items() for k in drawn_keys(name, plain_colour(style)))
    lines += ["text %s = %s" % (key, profile.get(key, "")) for key in keys]
    write_if_changed(folders.manifest, (HEADER + "\n".join(lines) + "\n").encode("utf-8"))


def read_manifest(path):
    """{key: (line number, value)} of the manifest's `key = value` lines; raises ManifestError."""
    found = {}
    try:
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                key, sep, value = line.rstrip("\n").partition(" = ")
                if sep and not key.startswith("#"):
                    found[key] = (number, value)
    except UnicodeDecodeError as error:
        raise ManifestError("a byte 0x%02X that is not UTF-8" % error.object[error.start]) from None
    except OSError as error:
        raise ManifestError("no file that can be read (%s)" % error.strerror) from None
    return found


class Record:
    """What a resource folder's record says, read without judging it (`product_name` None without a record)."""

    def __init__(self, folders):
        self.folders = folders
        self.entries = read_manifest(folders.manifest) if os.path.lexists(folders.manifest) else {}
        self.product_name = self.entries.get("product_name", (0, None))[1]

    def holds(self, name):
        """Whether master `name` is the file the record names."""
        recorded = self.entries.get("master " + name, (0, NOT_RECORDED))[1]
        return recorded == recorded_form(self.folders.master(name), NO_MASTER)

    def drawing(self, name):
        """(how, in which masters folder) make-art drew master `name`, when the folder still holds that drawing;
        else None. The folder is "" where the record does not say."""
        value = self.entries.get("drawn " + name, (0, None))[1]
        return value.partition(" in ")[::2] if value and self.holds(name) else None

    def foreign(self, profile):
        """The masters showing the product that the record holds for another product, other than make-art's
        drawings in this very masters folder: copied along with another product's art, they are not this
        product's, while make-art's own drawings here are drawn again for a new name."""
        if self.product_name in (None, profile["product_name"]):
            return []
        return [name for name in PRODUCT_MASTERS if self.folders.master(name) and self.holds(name)
                and (self.drawing(name) or ("", ""))[1] != self.folders.masters_place]

    def text(self, key):
        return self.entries.get("text " + key, (0, None))


def shown(value):
    """A recorded form as a reader wants it: the file's name and the start of its hash."""
    m = re.fullmatch(r"(.+) ([0-9a-f]{64})", value)
    if m:
        return "%s with SHA-256 %s" % (m.group(1), m.group(2)[:12])
    return {NO_MASTER: "no master", SYNTHESISED: "no source (the sound was synthesised)"}.get(value, value)


def stale_texts(record, profile):
    """{key: [masters]} of the profile's texts that differ from those the drawn masters show."""
    stale = {}
    for name in MASTERS:
        drawing = record.drawing(name)
        for key in drawn_keys(name, plain_colour(drawing[0])) if drawing else ():
            if record.text(key)[1] != profile.get(key, ""):
                stale.setdefault(key, []).append(name)
    return stale


def check(profile):
    """The errors, one line each, of the art in the resource folder of `profile`."""
    folders = Folders.of_profile(profile)
    manifest = folders.manifest
    make_art = ("tools/kit", "art", "make", "--profile", profile.path)
    again = "make the art anew with " + command(*make_art)
    if not os.path.isdir(folders.resources):
        return ["%s: found no folder; required the resource folder of %s (resource_folder, line %d), which holds the "
                "pictures, sounds and icon and their record: correct resource_folder if it is mistyped, or %s"
                % (folders.resources, profile.path, profile.lines.get("resource_folder", 0), again)]
    if not os.path.lexists(manifest):
        return ["%s: found no such file; required the record of the product and the masters the art in %s was made "
                "for, which tools/kit art make writes; %s" % (manifest, folders.resources, again)]
    try:
        record = Record(folders)
    except ManifestError as error:
        return ["%s: found %s; required the record tools/kit art make writes, a UTF-8 text; %s"
                % (manifest, error, again)]
    recorded = record.entries
    errors = []
    line, made_for = recorded.get("product_name", (0, NOT_RECORDED))
    if made_for != profile["product_name"]:
        # make-art draws its own drawings here again for a new name, but refuses another product's masters.
        foreign = ", ".join(os.path.basename(folders.master(name)) for name in record.foreign(profile))
        remedy = again if not foreign else (
            "so were its masters %s in %s: put yours there and %s, have them drawn plainly for this product with "
            "%s, or keep them on purpose with %s" % (foreign, folders.masters, again,
                                                     command(*make_art, "--redraw", "--plain", "#RRGGBB"),
                                                     command(*make_art, "--keep-masters")))
        errors.append('%s:%d: product_name: found "%s"; required "%s", the product of %s: the pictures, sounds '
                      "and icon in %s were made for another product; %s"
                      % (manifest, line, made_for, profile["product_name"], profile.path, folders.resources, remedy))
    for key, now in sources(folders).items():
        line, then = recorded.get(key, (0, NOT_RECORDED))
        if now != then:
            kind, folder = (("master", folders.masters) if key.startswith("master ")
                            else ("sound source", folders.sound_sources))
            errors.append("%s:%d: %s: found %s in %s; required %s, what the art was made from: the art is older "
                          "than this %s; %s" % (manifest, line, key, shown(now), folder, shown(then), kind, again))
    if made_for == profile["product_name"]:
        for key, names in stale_texts(record, profile).items():
            line, then = record.text(key)
            then = NOT_RECORDED if then is None else '"%s"' % then
            several = len(names) > 1
            errors.append('%s:%d: text %s: found "%s" in %s; required %s, what the drawn master%s %s show%s: the '
                          "art is older than this text; %s" % (manifest, line, key, profile.get(key, ""), profile.path,
                                                               then, "s" if several else "", ", ".join(names),
                                                               "" if several else "s", again))
    return errors
