"""Builds the launcher's pictures, sounds and icon under resources/ (or a product profile's folders).

  tools/art/make-art            draw the masters that are missing, then build every picture set
  tools/art/make-art --redraw   redraw the shipped masters too (a replaced master is redrawn as well)
  tools/art/make-art --profile FILE [--plain COLOUR]
                                the same for another product: masters from the profile's art_masters,
                                sound sources from its sound_sources, output into its resource_folder;
                                --plain draws missing masters plainly: a background of COLOUR (#RRGGBB)
                                with the profile's product name, tagline, welcome and copyright line, and
                                an emblem of its initial
  --masters DIR, --sounds DIR, --out DIR  the three folders one by one (they override --profile's)
  tools/kit art check [PROFILE] refuse the art in the profile's resource folder when it was made for
                                another product or is older than its masters or sound sources

Buttons are drawn with the profile's captions; each must fit its button, or nothing is made (one line
for each that does not, with the width or height found and the room there is).

Masters (24-bit pictures, the editable form) live in resources/art/masters/. A master may be a
PNG or a 24-bit BMP of the required size; a PNG is preferred when both are present. From them the
script writes the three picture sets (true colour, 256 colours through one shared palette,
16 VGA colours) into OUT/art/, the welcome chime and hover click into OUT/sounds/, the icon into
OUT/icon/ and the record of what it was made from into OUT/art-made-for.txt (OUT is resources/ by
default). Outputs are byte-for-byte the same on every run: no time stamps or other metadata are written.

Needs Python 3, ImageMagick 6 at /usr/bin/convert, sox at /usr/bin/sox and the DejaVu fonts
(scripts/install-deps.sh --art).
"""

import argparse
import os
import re
import sys
import tempfile

from launcherkit import geometry
from launcherkit.art.captions import caption_faults
from launcherkit.art.drawing import master_drawers
from launcherkit.art.folders import Folders
from launcherkit.art.magick import require_tools
from launcherkit.art.manifest import check, write_manifest
from launcherkit.art.pictures import PictureMaker
from launcherkit.art.sounds import build_sounds
from launcherkit.product import DEFAULT_PROFILE
from launcherkit.profile import ProfileError, read_profile


def profile_or_exit(path):
    try:
        return read_profile(path)
    except ProfileError as e:
        sys.exit("\n".join(e.messages))


def choose(options):
    """(profile, folders) of this run."""
    profile = profile_or_exit(options.profile or DEFAULT_PROFILE)
    if options.plain and not options.profile:
        sys.exit("make-art: --plain needs --profile, which names the product to draw")
    if options.plain and not re.fullmatch(r"#[0-9A-Fa-f]{6}", options.plain):
        sys.exit("make-art: --plain takes a colour as #RRGGBB, not %s" % options.plain)
    own = Folders.of_profile(profile)
    return profile, Folders(options.masters or own.masters, options.sounds or own.sound_sources,
                            options.out or own.resources)


def draw_missing_masters(options, profile, folders, layout):
    os.makedirs(folders.masters, exist_ok=True)
    for name, (_, _, draw) in master_drawers(layout, profile, options.plain).items():
        existing = folders.master(name)
        if existing and not options.redraw:
            continue
        # The shipped product's own artwork is never drawn for another product.
        if options.profile and not options.plain and (name == "background" or name.startswith("icon-")):
            sys.exit("make-art: %s has no master %s (PNG or BMP); put yours there, or give --plain COLOUR "
                     "to have a plain one drawn" % (folders.masters, name))
        if existing:
            os.remove(existing)
        print("make-art: drawing %s" % folders.drawn_master(name))
        draw(folders.drawn_master(name))


def make(argv):
    parser = argparse.ArgumentParser(prog="make-art", description=__doc__.split("\n")[0],
                                     epilog="tools/kit art check [PROFILE] refuses the art in the profile's resource "
                                            "folder when it was made for another product or is older than its masters.")
    parser.add_argument("--redraw", action="store_true",
                        help="redraw every master, replacing the files in the masters folder")
    parser.add_argument("--profile", help="a product profile: its art_masters, sound_sources, resource_folder")
    parser.add_argument("--plain", metavar="COLOUR", help="draw missing masters plainly in this colour (#RRGGBB)")
    parser.add_argument("--masters", metavar="DIR", help="the folder of the masters")
    parser.add_argument("--sounds", metavar="DIR", help="the folder of the sound sources")
    parser.add_argument("--out", metavar="DIR", help="where art/, sounds/, icon/ and art-made-for.txt are written")
    options = parser.parse_args(argv)
    profile, folders = choose(options)
    require_tools()
    layout = geometry.read()
    # The captions are the profile's word for what the buttons say, drawn or not: each must fit.
    faults = caption_faults(profile, layout.button_size)
    if faults:
        print("\n".join(faults), file=sys.stderr)
        print("make-art: %d caption%s too large for %s button; nothing made" % (
            len(faults), "s" if len(faults) > 1 else "", "their" if len(faults) > 1 else "its"), file=sys.stderr)
        return 1
    draw_missing_masters(options, profile, folders, layout)
    with tempfile.TemporaryDirectory(prefix="make-art-") as tmp:
        PictureMaker(folders, layout, tmp).make()
        build_sounds(tmp, folders)
    write_manifest(folders, profile["product_name"])
    print("make-art: done")
    return 0


def check_command(argv):
    if len(argv) > 1 or argv[:1] in (["-h"], ["--help"]):
        sys.stderr.write("usage: tools/kit art check [PROFILE]   (default %s)\n" % DEFAULT_PROFILE)
        return 2
    profile = profile_or_exit(argv[0] if argv else DEFAULT_PROFILE)
    errors, warnings = check(profile)
    for line in warnings + errors:
        print(line, file=sys.stderr)
    if not errors and not warnings:
        print('art check: the art in %s was made for "%s" from its present masters and sound sources'
              % (Folders.of_profile(profile).resources, profile["product_name"]))
    return 1 if errors else 0


def main(argv):
    if argv[:1] == ["check"]:
        return check_command(argv[1:])
    return make(argv)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
