"""The launcher's resource identifiers by name, read from resources/resource_ids.h: the one list of their
numbers, which the resource script, the launcher's code and the asset check include too."""

import os
import re

from launcherkit import SOURCE_DIR

HEADER = os.path.join(SOURCE_DIR, "resources", "resource_ids.h")

# Button slots top to bottom, as the identifiers name them; button 0 shows "REMOVE" once installed.
BUTTON_NAMES = ("INSTALL", "BROWSE", "CANCEL")


def read(path=HEADER):
    """{name: number} of the header's `#define NAME number` lines."""
    with open(path) as f:
        return {name: int(number) for name, number in re.findall(r"(?m)^#define\s+(\w+)\s+(\d+)\s*$", f.read())}
