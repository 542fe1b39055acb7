"""The medium's steps that scripts/make-medium.sh runs.

  tools/kit medium check-inputs --profile P --out DIR [--content DIR] [--setup FILE] [--capacity C]
      Refuses, one line each, every content entry that cannot go on the medium, a setup program that
      Windows would not start, an unknown capacity, an output folder inside the content folder; exit 1.
      A 64-bit setup program is taken with a warning.
  tools/kit medium build --profile P --root TREE --image FILE --epoch SECONDS [--content DIR]
                         [--capacity C] [--startup-order off]
      Writes the image of the start-up files in TREE and the content; refuses an image too large for its
      disc before writing it. --startup-order off leaves xorriso's own order (for the benchmark's
      comparison).
  tools/kit medium tree IMAGE [--capacity C]
      Prints the medium's folder tree and its total size.

Without --content, the profile's content_folder is taken, if it names one.
"""

import argparse
import os
import sys

from launcherkit import KitError
from launcherkit.iso_image import IsoImage
from launcherkit.medium import capacity as discs
from launcherkit.medium import content as content_rules
from launcherkit.medium import image as image_writer
from launcherkit.medium import setup_program
from launcherkit.medium.tree import tree_lines
from launcherkit.profile import ProfileError, derived, read_profile

PREFIX = "make-medium: "


def parse(argv):
    parser = argparse.ArgumentParser(prog="medium", description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    check = commands.add_parser("check-inputs")
    build = commands.add_parser("build")
    for command in (check, build):
        command.add_argument("--profile", required=True)
        command.add_argument("--content")
        command.add_argument("--capacity", default=discs.DEFAULT)
    check.add_argument("--setup")
    check.add_argument("--out", required=True)
    build.add_argument("--root", required=True)
    build.add_argument("--image", required=True)
    build.add_argument("--epoch", type=int, required=True)
    build.add_argument("--startup-order", choices=("on", "off"), default="on")
    tree = commands.add_parser("tree")
    tree.add_argument("image")
    tree.add_argument("--capacity", default=discs.DEFAULT)
    return parser.parse_args(argv)


def content_folder(options, profile):
    """The content folder: --content, else the profile's content_folder; None for neither."""
    if options.content:
        return options.content
    if profile.get("content_folder"):
        return derived(profile, "content_folder")
    return None


def startup_names(profile):
    return ["AUTORUN.INF", profile["original_filename"], profile["setup_program"]]


def inside(path, folder):
    path, folder = os.path.realpath(path), os.path.realpath(folder)
    return os.path.commonpath([path, folder]) == folder


def check_inputs(options, profile):
    lines = []
    try:
        discs.sectors_of(options.capacity)
    except discs.CapacityError as error:
        lines.append(str(error))
    folder = content_folder(options, profile)
    if folder is not None:
        if os.path.isdir(folder) and inside(options.out, folder):
            lines.append(content_rules.refusal(options.out, "output folder", "a folder inside the content folder %s"
                                               % folder, "an output folder outside the content folder, which "
                                               "goes on the medium whole"))
        else:
            try:
                content_rules.scan(folder, startup_names(profile))
            except content_rules.ContentRefused as refused:
                lines += refused.lines
    if options.setup is not None:
        try:
            with open(options.setup, "rb") as f:
                data = f.read()
        except OSError as error:
            lines.append(content_rules.refusal(options.setup, "setup program", "no file that can be read (%s)"
                                               % error.strerror, setup_program.REQUIRED))
        else:
            fault, warning = setup_program.examine(data)
            if fault:
                lines.append(content_rules.refusal(options.setup, "setup program", *fault))
            if warning:
                print("%swarning: %s: setup program: %s" % (PREFIX, options.setup, warning), file=sys.stderr)
    for line in lines:
        print(PREFIX + line, file=sys.stderr)
    return 1 if lines else 0


def build(options, profile):
    folder = content_folder(options, profile)
    try:
        content = content_rules.scan(folder, startup_names(profile)) if folder is not None else None
        values = {key: derived(profile, key) for key in ("volume_name", "iso_publisher", "iso_application")}
        sectors = image_writer.build(values, options.root, startup_names(profile), content, options.image,
                                     options.epoch, options.capacity, options.startup_order == "on")
    except discs.CapacityError as error:
        print("%s%s: %s" % (PREFIX, os.path.basename(options.image), error), file=sys.stderr)
        return 1
    except KitError as error:  # the content refused (a line each) or the image not written
        for line in str(error).splitlines():
            print(PREFIX + line, file=sys.stderr)
        return 1
    print("%simage of %d sectors, content %s" % (PREFIX, sectors, folder or "none"))
    return 0


def main(argv):
    options = parse(argv)
    if options.command == "tree":
        image = IsoImage(options.image)
        try:
            for line in tree_lines(image, options.capacity):
                print(PREFIX + line)
        finally:
            image.close()
        return 0
    try:
        profile = read_profile(options.profile)
    except ProfileError as error:
        print("\n".join(error.messages), file=sys.stderr)
        return 1
    return check_inputs(options, profile) if options.command == "check-inputs" else build(options, profile)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
