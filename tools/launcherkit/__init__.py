"""The launcher kit: everything that knows a product and its launcher (profile, geometry, identifiers, the
table of resources, the PE reader, the art, the medium and its check, the Wine harness), for the build, the
tools, the scripts and the tests alike. Commands run as `tools/kit COMMAND ...`."""

import os

# The kit lives in tools/launcherkit of the source tree whose headers it reads.
SOURCE_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


class KitError(Exception):
    """What the kit refuses or cannot do, in one line for the publisher: every error class of the kit is one,
    so that a command catches them all and prints the line."""


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
