"""The launcher kit: everything that knows a product and its launcher, for the build, the tools, the
scripts and the tests alike.

    profile          the product profile: reading, checking, and what the build and the medium take from it
    profile_output   what the build and the medium write from a valid profile (header, CMake values, AUTORUN.INF)
    version_block    the version block as the resource compiler lays it out, to know that a profile's texts fit
    languages        the Windows language tags a launcher can be made in, with their identifiers and code pages
    identifiers      the resources' identifiers by name (resources/resource_ids.h)
    geometry         the splash window's size and the buttons' places (launcher/geometry.h)
    product          one product as every tool sees it: its profile, geometry and identifiers together
    resource_script  the pictures, sounds and icon the resource script compiles in, by identifier and file
    resource_files   a resource folder's files made again from an executable's own resources
    pe               reading a Windows executable (headers, imports, resources, version block) through pefile
    order_resources  the resource data of a linked launcher laid out in start-up order (a step of the build)
    size_report      where the launcher's bytes go, as a Markdown table
    iso_image        reading an ISO 9660 image's files, under both kinds of names, through pycdlib
    art              the pictures, sounds and icon made from a product's masters, and the check that they
                     are that product's and no older than their masters
    medium           the installation medium: content rules, setup program, capacity, the image xorriso writes
    check_medium     the acceptance check of a built medium, with its report and contact sheet
    acceptance       the launcher at work from a medium under Wine, the end-to-end checks check_medium runs
    wine             the launcher and other Windows programs run under Wine on a virtual screen

Commands run as `tools/kit COMMAND ...` (the kit's folder on the module path, Debian's Python).
"""

import os

# The kit lives in tools/launcherkit of the source tree whose headers it reads.
SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


class KitError(Exception):
    """What the kit refuses or cannot do, said in words for the publisher: every error class of the kit is
    one, so that a command catches them all as one and prints the line."""
