"""Reading an installation medium's ISO 9660 image without mounting it, through Debian's pycdlib: the
files of its root under their ISO 9660 names and under their Joliet names, and their bytes."""

import io
import os

import pycdlib
from pycdlib.pycdlibexception import PyCdlibException

TREES = ("iso9660", "joliet")


class ImageError(Exception):
    """The file is not an ISO 9660 image that can be read."""


class IsoImage:
    def __init__(self, path):
        self.path = path
        self._iso = pycdlib.PyCdlib()
        try:
            self._iso.open(path)
        except (OSError, PyCdlibException) as error:
            raise ImageError(str(error)) from None
        self.volume_name = self._iso.pvd.volume_identifier.decode("ascii", "replace").rstrip()
        # {tree: {name: the tree's own path of the file}} of the root's files; ISO 9660 names without
        # their version ";1".
        self.roots = {"iso9660": self._root("iso_path", lambda name: name.decode("ascii", "replace"))}
        if self._iso.has_joliet():
            self.roots["joliet"] = self._root("joliet_path", lambda name: name.decode("utf-16-be", "replace"))

    def _root(self, tree_path, decode):
        files = {}
        for child in self._iso.list_children(**{tree_path: "/"}):
            if child is None or child.is_dot() or child.is_dotdot() or not child.is_file():
                continue
            name = decode(child.file_identifier())
            files[name.split(";")[0]] = (tree_path, "/" + name)
        return files

    def close(self):
        self._iso.close()

    def names(self, tree):
        return sorted(self.roots.get(tree, {}))

    def find(self, tree, name):
        """The name as `tree` spells it, found without regard to case as Windows finds files; None."""
        for own in self.roots.get(tree, {}):
            if own.upper() == name.upper():
                return own
        return None

    def read(self, name, tree="iso9660"):
        """The bytes of a file of the root, by its name in `tree`."""
        kind, path = self.roots[tree][name]
        out = io.BytesIO()
        self._iso.get_file_from_iso_fp(out, **{kind: path})
        return out.getvalue()

    def extract(self, folder, tree="joliet"):
        """Copies every file of the root into `folder` under its name in `tree` (Joliet where the image
        has it, as Windows reads it); returns the names."""
        tree = tree if tree in self.roots else "iso9660"
        os.makedirs(folder, exist_ok=True)
        for name in self.roots[tree]:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(self.read(name, tree))
        return sorted(self.roots[tree])
