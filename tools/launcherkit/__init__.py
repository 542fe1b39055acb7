"""The launcher kit: everything that knows a product and its launcher, for the build, the tools, the scripts
and the tests alike. Commands run as `tools/kit COMMAND ...`.

    profile, profile_output  the product profile, read and checked; the header, CMake values and AUTORUN.INF
    version_block            the version block as the resource compiler lays it out (do the texts fit?)
    languages                the language tags a launcher is made in: identifiers, code pages, default texts
    identifiers, geometry    the resources' identifiers and the splash window's geometry, from their headers
    product                  one product as every tool sees it: profile, geometry and identifiers together
    resource_table           the one table of the pictures, sounds and icon (identifier, file, group, form)
    resource_check           the sounds, the icon and the 256-colour palette of a resource folder
    resource_files           a resource folder made again from an executable's own resources
    pe, order_resources      reading a Windows executable through pefile; the build's resource layout step
    size_report              where the launcher's bytes go, as a Markdown table
    iso_image                an ISO 9660 image's files under both kinds of names, through pycdlib
    art                      the pictures, sounds and icon made from a product's masters, and their check
    medium                   the installation medium: content rules, setup program, capacity, the image
    check_medium             the acceptance check of a built medium, with its report and contact sheet
    acceptance               the launcher at work from a medium under Wine (run by check_medium and CTest)
    wine                     Windows programs run under Wine on a virtual screen (tests, benchmark, show)
"""

import os
import shlex

# The kit lives in tools/launcherkit of the source tree whose headers it reads.
SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


class KitError(Exception):
    """What the kit refuses or cannot do, in one line for the publisher: every error class of the kit is one,
    so that a command catches them all and prints the line."""


def command(*words):
    """A command the kit suggests, as it can be pasted into a shell: a word that needs quotes (a path with a
    space or a parenthesis, a colour's #) gets them."""
    return " ".join(shlex.quote(word) for word in words)


def write_if_changed(path, data):
    """Writes `data` unless the file already holds it, so that the build does not redo its work."""
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
