"""The launcher kit: everything that knows a product and its launcher, for the build, the tools, the
scripts and the tests alike.

    profile       the product profile: reading, checking, and what the build and the medium take from it
    identifiers   the resources' identifiers by name (resources/resource_ids.h)
    geometry      the splash window's size and the buttons' places (launcher/geometry.h)
    product       one product as every tool sees it: its profile, geometry and identifiers together
    art           the pictures, sounds and icon made from a product's masters, and the check that they
                  are that product's and no older than their masters
    wine          the launcher and other Windows programs run under Wine on a virtual screen

Commands run as `tools/kit COMMAND ...` (the kit's folder on the module path, Debian's Python).
"""

import os

# The kit lives in tools/launcherkit of the source tree whose headers it reads.
SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
