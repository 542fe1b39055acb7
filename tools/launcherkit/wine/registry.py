"""A session's registry through Wine's own reg and regedit: values added, keys deleted, whole exports."""

import itertools
import os
import re
from pathlib import Path

from launcherkit import KitError
from launcherkit.wine.host import windows_path


class RegistryError(KitError):
    """reg or regedit failed."""


class Registry:
    """`run(program, args)` runs a program of the session: (exit code, output); `work_dir` gets regedit's files."""

    def __init__(self, run, work_dir):
        self._run, self._work_dir, self._files = run, work_dir, itertools.count(1)

    # view: 32 or 64 works on that view of a 64-bit prefix's registry only (None: the view of reg itself).

    def add(self, key, name, kind="REG_SZ", data="", view=None):
        code, text = self._run("reg", ["add", key, "/v", name, "/t", kind, "/d", data, "/f"] + _view(view))
        if code != 0:
            raise RegistryError("reg add %s %s failed (%d): %s" % (key, name, code, text))

    def delete(self, key, view=None):
        """Deletes the whole key; a missing key is no error."""
        self._run("reg", ["delete", key, "/f"] + _view(view))

    def export(self):
        """The whole registry as {key path: {value name: value text}} (from `regedit /E`)."""
        path = os.path.join(self._work_dir, "export-%d.reg" % next(self._files))
        code, out = self._run("regedit", ["/E", windows_path(path)])
        if code != 0 or not os.path.exists(path):
            raise RegistryError("regedit /E failed (%d): %s" % (code, out))
        raw = Path(path).read_bytes()
        os.remove(path)
        # UTF-16 with BOM, or ANSI; continued hex lines joined.
        text = raw[2:].decode("utf-16-le", errors="replace") if raw.startswith(b"\xff\xfe") else raw.decode("latin-1")
        registry, current = {}, None
        for line in re.sub(r"\\\r?\n\s*", "", text).splitlines():
            line = line.strip()
            match = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
            if line.startswith("[") and line.endswith("]"):
                current = registry.setdefault(line[1:-1], {})
            elif current is not None and match:
                current[match.group(1)] = match.group(2)
        return registry


def _view(view):
    return ["/reg:%d" % view] if view else []
