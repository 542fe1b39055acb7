"""Builds the launcher's pictures, sounds and icon under resources/ (or a product profile's folders), and
checks that they were made for the profile's product from its present masters (tools/art/README.md)."""

import argparse
import os
import re
import sys

from launcherkit import geometry
from launcherkit.art import MASTERS, PRODUCT_MASTERS
from launcherkit.art.captions import caption_faults
from launcherkit.art.drawing import CAPTION_FONT, FONTS, master_drawers, own_drawing
from launcherkit.art.folders import Folders
from launcherkit.art.manifest import (SHIPPED, ManifestError, Record, check, plain_colour, stale_texts,
                                      write_manifest)
from launcherkit.art.pictures import make_pictures, read_master
from launcherkit.art.sounds import SOX, read_sounds, write_sounds
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


def masters_to_draw(options, profile, folders, record, foreign):
    """{master: style} of the masters this run draws ("plain #RRGGBB" or "shipped"); exits with a line
    where it would draw the shipped product's own artwork for another product, or relabel another product's
    masters (`foreign`) as this one's."""
    # make-art's own drawings of texts that have changed since (a new product name too) are drawn again, as
    # they were drawn.
    stale = {name for names in stale_texts(record, profile).values() for name in names}
    plan = {}
    for name in MASTERS:
        if folders.master(name) and not options.redraw:
            if name in stale and name not in foreign:
                plan[name] = record.drawing(name)[0]
            continue
        plan[name] = "plain " + options.plain if options.plain else SHIPPED
    if foreign and not options.keep_masters:
        sys.exit('make-art: %s in %s: found the masters recorded for "%s" in %s; required masters of "%s": put yours '
                 "there, have them drawn plainly for this product with --redraw --plain '#RRGGBB', or keep them as "
                 "they are on purpose with --keep-masters"
                 % (", ".join(os.path.basename(folders.master(name)) for name in foreign), folders.masters,
                    record.product_name, folders.manifest, profile["product_name"]))
    # The shipped product's own artwork is never drawn for another product.
    shipped_art = [name for name in PRODUCT_MASTERS if plan.get(name) == SHIPPED]
    if options.profile and shipped_art:
        if options.redraw:
            sys.exit("make-art: --redraw draws every master anew, and the shipped background and emblem are never "
                     "drawn for another product: give --plain '#RRGGBB' too, to have them drawn plainly")
        sys.exit("make-art: %s has no master %s (PNG or BMP); put yours there, or give --plain COLOUR "
                 "to have a plain one drawn" % (folders.masters, shipped_art[0]))
    return plan


def draw(plan, profile, folders, layout):
    """Draws the masters of `plan`; each replaces the master of its name only once it is drawn."""
    own = own_drawing(folders) if any(plan.get(name) == SHIPPED for name in PRODUCT_MASTERS) else None
    os.makedirs(folders.masters, exist_ok=True)
    for name, style in plan.items():
        size, drawer = master_drawers(layout, profile, plain_colour(style), own)[name]
        print("make-art: drawing %s" % folders.drawn_master(name))
        try:
            picture = drawer()
            found = None if picture.size == size else "a picture of %dx%d pixels" % picture.size
        except Exception as error:  # the product's own drawing is the product's code: any fault it has
            found = "a drawing that failed (%s: %s)" % (type(error).__name__, error)
        if found:
            sys.exit("make-art: %s: found %s; required a drawn master of %dx%d pixels (the master there before, if "
                     "any, is kept)" % ((folders.drawn_master(name), found) + size))
        existing = folders.master(name)
        if existing:
            os.remove(existing)
        picture.save(folders.drawn_master(name))


def make(argv):
    parser = argparse.ArgumentParser(
        prog="tools/kit art make", description="Draws the masters that are missing, then builds every picture set, "
        "the sounds, the icon and the record of what they were made from (art-made-for.txt).",
        epilog="tools/kit art check [PROFILE] refuses the art in the profile's resource folder when it was made for "
        "another product or is older than its masters.")
    parser.add_argument("--redraw", action="store_true",
                        help="redraw every master, replacing the files in the masters folder")
    parser.add_argument("--profile", help="a product profile: its art_masters, sound_sources, resource_folder")
    parser.add_argument("--plain", metavar="COLOUR", help="draw missing masters plainly in this colour (#RRGGBB)")
    parser.add_argument("--keep-masters", action="store_true",
                        help="keep masters recorded for another product as this product's own")
    parser.add_argument("--masters", metavar="DIR", help="the folder of the masters")
    parser.add_argument("--sounds", metavar="DIR", help="the folder of the sound sources")
    parser.add_argument("--out", metavar="DIR", help="where art/, sounds/, icon/ and art-made-for.txt are written")
    options = parser.parse_args(argv)
    profile, folders = choose(options)
    for needed in (SOX, os.path.join(FONTS, CAPTION_FONT)):
        if not os.path.exists(needed):
            sys.exit("make-art: %s is missing; run scripts/install-deps.sh --art" % needed)
    layout = geometry.read()
    # The captions are the profile's word for what the buttons say, drawn or not: each must fit.
    faults = caption_faults(profile, layout.button_size)
    if faults:
        print("\n".join(faults), file=sys.stderr)
        print("make-art: %d caption%s too large for %s button; nothing made" % (
            len(faults), "s" if len(faults) > 1 else "", "their" if len(faults) > 1 else "its"), file=sys.stderr)
        return 1
    try:
        record = Record(folders)
    except ManifestError as error:
        sys.exit("make-art: %s: found %s; required the record make-art writes: remove it to make the art anew"
                 % (folders.manifest, error))
    foreign = [] if options.redraw else record.foreign(profile)
    plan = masters_to_draw(options, profile, folders, record, foreign)
    # make-art's drawing once `plan` is drawn: the masters drawn now, here, and those drawn before and kept,
    # less another product's that --keep-masters adopts as the publisher's own.
    drawn = {name: record.drawing(name) for name in MASTERS if name not in foreign and record.drawing(name)}
    drawn.update((name, (style, folders.masters_place)) for name, style in plan.items())
    sizes = {name: size for name, (size, _) in master_drawers(layout, profile).items()}
    # Every master kept and every sound source is read before anything is drawn or written: a file
    # that is no picture or no sound stops the run with nothing changed.
    for name in MASTERS:
        if name not in plan:
            read_master(folders.master(name), sizes[name])
    sounds = read_sounds(folders)
    if not os.path.isdir(folders.resources):  # a mistyped resource_folder shows here, not in silence
        print("make-art: %s: found no folder; making it for the art" % folders.resources)
    draw(plan, profile, folders, layout)
    make_pictures(folders, layout)
    write_sounds(folders, sounds)
    write_manifest(folders, profile, drawn)
    print("make-art: done")
    return 0


def check_command(argv):
    if len(argv) > 1 or argv[:1] in (["-h"], ["--help"]):
        sys.stderr.write("usage: tools/kit art check [PROFILE]   (default %s)\n" % DEFAULT_PROFILE)
        return 2
    profile = profile_or_exit(argv[0] if argv else DEFAULT_PROFILE)
    errors = check(profile)
    for line in errors:
        print(line, file=sys.stderr)
    if not errors:
        print('art check: the art in %s was made for "%s" from its present masters and sound sources'
              % (Folders.of_profile(profile).resources, profile["product_name"]))
    return 1 if errors else 0


def main(argv):
    if argv[:1] == ["check"]:
        return check_command(argv[1:])
    if argv[:1] == ["make"]:
        return make(argv[1:])
    sys.stderr.write("usage: tools/kit art make [OPTIONS] (tools/kit art make --help) | "
                     "tools/kit art check [PROFILE]\n")
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
