"""The medium's steps that scripts/make-medium.sh runs (without --content, the profile's content_folder):
  check-inputs  refuses, one line each, every content entry that cannot go on the medium, a setup program
                Windows would not start (a 64-bit one is taken with a warning), an unknown capacity, an
                output folder inside the content folder; exit 1
  build         writes the image of the start-up files in TREE and the content; refuses an image too large
                for its disc before writing it (--startup-order off: xorriso's own order, for the benchmark)
  tree          prints the medium's folders and files under their Joliet names (as Windows shows them),
                each file's size, the totals and the share of the disc
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
from launcherkit.medium.content import AUTORUN, refusal
from launcherkit.profile import ProfileError, derived, read_profile

PREFIX = "make-medium: "


def parse(argv):
    parser = argparse.ArgumentParser(prog="medium", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    check, build, tree = (commands.add_parser(name) for name in ("check-inputs", "build", "tree"))
    for command in (check, build):
        command.add_argument("--profile", required=True)
        command.add_argument("--content")
    for command in (check, build, tree):
        command.add_argument("--capacity", default=discs.DEFAULT)
    check.add_argument("--setup")
    check.add_argument("--out", required=True)
    build.add_argument("--root", required=True, metavar="TREE")
    build.add_argument("--image", required=True)
    build.add_argument("--epoch", type=int, required=True, metavar="SECONDS")
    build.add_argument("--startup-order", choices=("on", "off"), default="on")
    tree.add_argument("image")
    return parser.parse_args(argv)


def check_inputs(options, folder, startup):
    lines = []
    try:
        discs.sectors_of(options.capacity)
    except KitError as error:
        lines.append(str(error))
    if folder is not None:
        real_out, real_folder = os.path.realpath(options.out), os.path.realpath(folder)
        if os.path.isdir(folder) and os.path.commonpath([real_out, real_folder]) == real_folder:
            lines.append(refusal(options.out, "output folder", "a folder inside the content folder %s" % folder,
                                 "an output folder outside the content folder, which goes on the medium whole"))
        else:
            try:
                content_rules.scan(folder, startup)
            except KitError as refused:
                lines += str(refused).splitlines()
    if options.setup is not None:
        try:
            with open(options.setup, "rb") as f:
                fault, warning = setup_program.examine(f.read())
        except OSError as error:
            fault, warning = ("no file that can be read (%s)" % error.strerror, setup_program.REQUIRED), None
        if fault:
            lines.append(refusal(options.setup, "setup program", *fault))
        if warning:
            print("%swarning: %s: setup program: %s" % (PREFIX, options.setup, warning), file=sys.stderr)
    for line in lines:
        print(PREFIX + line, file=sys.stderr)
    return 1 if lines else 0


def tree_lines(image, capacity):
    """Lines of `tree`-like text for an IsoImage."""
    entries = image.entries("joliet" if "joliet" in image.roots else "iso9660")
    last_child = {entry.path.rpartition("/")[0]: entry.path for entry in entries}

    def last(path):
        return last_child[path.rpartition("/")[0]] == path
    lines = ["/"]
    for entry in entries:
        parts = entry.path.split("/")
        # A bar below each folder above that has entries still to come.
        guides = "".join("    " if last("/".join(parts[:level])) else "|   " for level in range(1, len(parts)))
        lines.append(guides + ("`-- " if last(entry.path) else "|-- ") + parts[-1] +
                     ("/" if entry.is_folder else "  (%s bytes)" % format(entry.size, ",")))
    files = [e for e in entries if not e.is_folder]
    lines.append("%d files in %d folders and the root, %s bytes; the image %s"
                 % (len(files), len(entries) - len(files), format(sum(e.size for e in files), ","),
                    discs.share(image.file_sectors, capacity)))
    return lines


def main(argv):
    options = parse(argv)
    try:
        if options.command == "tree":
            with IsoImage(options.image) as image:
                print("\n".join(PREFIX + line for line in tree_lines(image, options.capacity)))
            return 0
        profile = read_profile(options.profile)
        folder = content_rules.content_folder(profile, options.content)
        startup = [AUTORUN, profile["original_filename"], profile["setup_program"]]
        if options.command == "check-inputs":
            return check_inputs(options, folder, startup)
        content = content_rules.scan(folder, startup) if folder is not None else None
        values = {key: derived(profile, key) for key in ("volume_name", "iso_publisher", "iso_application")}
        sectors = image_writer.build(values, options.root, startup, content, options.image, options.epoch,
                                     options.capacity, options.startup_order == "on")
    except ProfileError as error:
        print("\n".join(error.messages), file=sys.stderr)
        return 1
    except KitError as error:  # the content refused (a line each), the image too large or not written
        print("\n".join(PREFIX + line for line in str(error).splitlines()), file=sys.stderr)
        return 1
    print("%simage of %d sectors, content %s" % (PREFIX, sectors, folder or "none"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
