"""Reading an installation medium's ISO 9660 image without mounting it, through Debian's pycdlib: the
files of its root under their ISO 9660 names and under their Joliet names, and their bytes."""

import io
import os
import struct

import pycdlib
from pycdlib.pycdlibexception import PyCdlibException

TREES = ("iso9660", "joliet")


class ImageError(Exception):
    """The file is not an ISO 9660 image that can be read, or a file of it cannot be read whole."""


# pycdlib checks what it expects of a well-formed image, but a cut or crafted one makes its parser raise
# whatever it met first (IndexError, struct.error, ...): every error of a parse is the image's fault.
UNREADABLE = (OSError, PyCdlibException, IndexError, KeyError, ValueError, struct.error, AttributeError)
# The primary volume descriptor: at 32,768 bytes, its volume's size in blocks at byte 80 and the block
# size at byte 128 (both halves little-endian first).
DESCRIPTOR = 32768


def refuse_a_cut_image(path):
    """Raises ImageError when the file is shorter than the volume its primary descriptor gives."""
    with open(path, "rb") as f:
        f.seek(DESCRIPTOR)
        descriptor = f.read(2048)
        size = f.seek(0, os.SEEK_END)
    if len(descriptor) < 132 or descriptor[:6] != b"\x01CD001":
        return  # not for this check to say: pycdlib names what it lacks
    volume = struct.unpack_from("<I", descriptor, 80)[0] * struct.unpack_from("<H", descriptor, 128)[0]
    if size < volume:
        raise ImageError("the file holds %d bytes, the volume it begins is %d bytes long: the image is cut"
                         % (size, volume))


class IsoImage:
    def __init__(self, path):
        self.path = path
        self._iso = pycdlib.PyCdlib()
        try:
            refuse_a_cut_image(path)
            self._iso.open(path)
            self.volume_name = self._iso.pvd.volume_identifier.decode("ascii", "replace").rstrip()
            # {tree: {name: the tree's own path of the file}} of the root's files; ISO 9660 names without
            # their version ";1".
            self.roots = {"iso9660": self._root("iso_path", lambda name: name.decode("ascii", "replace"))}
            if self._iso.has_joliet():
                self.roots["joliet"] = self._root("joliet_path", lambda name: name.decode("utf-16-be", "replace"))
        except UNREADABLE as error:
            raise ImageError(str(error) or type(error).__name__) from None

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
        """The bytes of a file of the root, by its name in `tree`; raises ImageError when the image does not
        hold them whole."""
        kind, path = self.roots[tree][name]
        out = io.BytesIO()
        try:
            record = self._iso.get_record(**{kind: path})
            if record.rock_ridge is not None and record.rock_ridge.is_symlink():
                # Windows reads no Rock Ridge: it sees an empty file.
                raise ImageError("a Rock Ridge symbolic link to %s, which Windows reads as an empty file"
                                 % record.rock_ridge.symlink_path().decode("utf-8", "replace"))
            self._iso.get_file_from_iso_fp(out, **{kind: path})
        except UNREADABLE as error:
            raise ImageError(str(error) or type(error).__name__) from None
        data = out.getvalue()
        # pycdlib shortens a file that runs past the image's end to what is there, and then no longer
        # agrees with its own directory record.
        if len(data) != record.data_length:
            raise ImageError("the file runs past the end of the image")
        return data

    def extract(self, folder, tree="joliet"):
        """Copies every file of the root into `folder` under its name in `tree` (Joliet where the image
        has it, as Windows reads it); returns the names."""
        tree = tree if tree in self.roots else "iso9660"
        os.makedirs(folder, exist_ok=True)
        for name in self.roots[tree]:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(self.read(name, tree))
        return sorted(self.roots[tree])
