"""The pictures, sounds and icon that the launcher's resource script (resources/launcher.rc) compiles in,
with the identifiers of resources/resource_ids.h: which file of a product's resource folder each
resource comes from."""

import os
import re

from launcherkit import SOURCE_DIR, identifiers

SCRIPT = os.path.join(SOURCE_DIR, "resources", "launcher.rc")


class ScriptEntry:
    """One BITMAP, WAVE or ICON statement: `kind`, resource `id` and the file `path`, relative to the
    product's resource folder."""

    def __init__(self, kind, id_, path):
        self.kind, self.id, self.path = kind, id_, path

    def __repr__(self):
        return "%s %d %s" % (self.kind, self.id, self.path)


def entries(script=SCRIPT, ids=None):
    ids = ids if ids is not None else identifiers.read()
    with open(script) as f:
        text = f.read()
    found = []
    for name, kind, path in re.findall(r'(?m)^\s*(\w+)\s+(BITMAP|WAVE|ICON)\s+"([^"]+)"', text):
        found.append(ScriptEntry(kind, int(name) if name.isdigit() else ids[name], path))
    return found
