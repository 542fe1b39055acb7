"""The record a resource folder keeps of its art (art-made-for.txt, written by make-art): the product
the pictures, sounds and icon were made for and the SHA-256 of each master and sound source they were
made from; and its check, which refuses art made for another product (a copied example before its
art was made anew) or older than its masters.

  tools/kit art check [PROFILE]     default resources/product.profile; exit 1 when the art is refused
"""

import hashlib
import os
import re

from launcherkit.art import MASTERS, SOUNDS
from launcherkit.art.folders import Folders, write_file

HEADER = """\
# The product the pictures, sounds and icon in this folder were made for, and the SHA-256 of each master
# and sound source they were made from. Written by tools/art/make-art; `tools/kit art check PROFILE`
# refuses art made for another product or older than its masters.
"""
NO_MASTER = "none"
SYNTHESISED = "synthesised"
NOT_RECORDED = "not recorded"


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


def write_manifest(folders, product_name):
    lines = ["product_name = " + product_name] + ["%s = %s" % item for item in sources(folders).items()]
    write_file(folders.manifest, (HEADER + "\n".join(lines) + "\n").encode("utf-8"))


def read_manifest(path):
    """{key: (line number, value)} of the manifest's `key = value` lines."""
    found = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            key, sep, value = line.rstrip("\n").partition(" = ")
            if sep and not key.startswith("#"):
                found[key] = (number, value)
    return found


def shown(value):
    """A recorded form as a reader wants it: the file's name and the start of its hash."""
    m = re.fullmatch(r"(.+) ([0-9a-f]{64})", value)
    if m:
        return "%s with SHA-256 %s" % (m.group(1), m.group(2)[:12])
    return {NO_MASTER: "no master", SYNTHESISED: "no source (the sound was synthesised)"}.get(value, value)


def check(profile):
    """(errors, warnings) for the art in the resource folder of `profile`, one line each."""
    folders = Folders.of_profile(profile)
    manifest = folders.manifest
    again = "make the art anew with tools/art/make-art --profile %s" % profile.path
    if not os.path.exists(manifest):
        return [], ["warning: %s: found no such file; required the record of the product and the masters the art "
                    "was made for, which tools/art/make-art writes: the art in %s is not checked"
                    % (manifest, folders.resources)]
    recorded = read_manifest(manifest)
    errors = []
    line, made_for = recorded.get("product_name", (0, NOT_RECORDED))
    if made_for != profile["product_name"]:
        errors.append('%s:%d: product_name: found "%s"; required "%s", the product of %s: the pictures, sounds '
                      "and icon in %s were made for another product; %s"
                      % (manifest, line, made_for, profile["product_name"], profile.path, folders.resources, again))
    for key, now in sources(folders).items():
        line, then = recorded.get(key, (0, NOT_RECORDED))
        if now != then:
            kind, folder = (("master", folders.masters) if key.startswith("master ")
                            else ("sound source", folders.sound_sources))
            errors.append("%s:%d: %s: found %s in %s; required %s, what the art was made from: the art is older "
                          "than this %s; %s" % (manifest, line, key, shown(now), folder, shown(then), kind, again))
    return errors, []
