"""Reading an installation medium's ISO 9660 image without mounting it, through Debian's pycdlib: the
files of its root under their ISO 9660 names and under their Joliet names, and their bytes; the whole
tree of either, with each file's size and first block."""

import hashlib
import io
import os
import struct
from dataclasses import dataclass

import pycdlib
from pycdlib.pycdlibexception import PyCdlibException

from launcherkit import KitError

TREES = ("iso9660", "joliet")
SECTOR = 2048
PATH_KEYS = {"iso9660": "iso_path", "joliet": "joliet_path"}


class ImageError(KitError):
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


@dataclass(frozen=True)
class Entry:
    """A file or folder of one tree: its path as that tree names it ("Handbuch/Liesmich.txt", without ";1")."""
    path: str
    is_folder: bool
    size: int
    block: int

    @property
    def depth(self):
        return self.path.count("/") + 1


class IsoImage:
    """The image at `path`, its trees read when it is opened: `roots` {tree: {name: path}} of the root's
    files (ISO 9660 names without their version ";1"), a tree only where the image has it."""

    def __init__(self, path):
        self.path = path
        self._iso = pycdlib.PyCdlib()
        try:
            refuse_a_cut_image(path)
            self._iso.open(path)
            self.volume_name = self._iso.pvd.volume_identifier.decode("ascii", "replace").rstrip()
            # {tree: [Entry]}, and {tree: {path: the tree's own path of it}}, the version ";1" included.
            self._entries, self._own = {}, {}
            for tree in TREES if self._iso.has_joliet() else TREES[:1]:
                self._entries[tree], self._own[tree] = self._walk(tree)
        except UNREADABLE as error:
            raise ImageError(str(error) or type(error).__name__) from None
        self.roots = {tree: [e.path for e in entries if e.depth == 1 and not e.is_folder]
                      for tree, entries in self._entries.items()}

    def close(self):
        self._iso.close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def names(self, tree):
        return sorted(self.roots.get(tree, []))

    def find(self, tree, name):
        """The name as `tree` spells it, found without regard to case as Windows finds files; None."""
        return next((own for own in self.roots.get(tree, []) if own.upper() == name.upper()), None)

    def _where(self, tree, path):
        return {PATH_KEYS[tree]: "/" + self._own[tree][path]}

    def read(self, path, tree="iso9660"):
        """The bytes of a file, by its path in `tree` (a name on the root, or a path from entries());
        raises ImageError when the image does not hold them whole."""
        out = io.BytesIO()
        try:
            record = self._iso.get_record(**self._where(tree, path))
            if record.rock_ridge is not None and record.rock_ridge.is_symlink():
                # Windows reads no Rock Ridge: it sees an empty file.
                raise ImageError("a Rock Ridge symbolic link to %s, which Windows reads as an empty file"
                                 % record.rock_ridge.symlink_path().decode("utf-8", "replace"))
            self._iso.get_file_from_iso_fp(out, **self._where(tree, path))
        except UNREADABLE as error:
            raise ImageError(str(error) or type(error).__name__) from None
        data = out.getvalue()
        # pycdlib shortens a file that runs past the image's end to what is there, and then no longer
        # agrees with its own directory record.
        if len(data) != record.data_length:
            raise ImageError("the file runs past the end of the image")
        return data

    def extract(self, folder, whole_tree=False):
        """Copies every file of the root (with whole_tree, every file and folder of the image) into
        `folder` under its Joliet names where the image has them, as Windows reads them."""
        tree = "joliet" if "joliet" in self.roots else "iso9660"
        os.makedirs(folder, exist_ok=True)
        for entry in self.entries(tree):
            target = os.path.join(folder, *entry.path.split("/"))
            if entry.is_folder and whole_tree:
                os.makedirs(target, exist_ok=True)
            elif not entry.is_folder and (whole_tree or entry.depth == 1):
                with open(target, "wb") as f:
                    f.write(self.read(entry.path, tree))

    def entries(self, tree):
        """Every file and folder of `tree`, folders before what they hold, each folder's sorted by name."""
        return self._entries.get(tree, [])

    def _walk(self, tree):
        key = PATH_KEYS[tree]
        encoding = "utf-16-be" if tree == "joliet" else "ascii"
        found, own = [], {}

        def visit(own_path, shown_path):
            children = []
            for child in self._iso.list_children(**{key: "/" + own_path}):
                if child is None or child.is_dot() or child.is_dotdot():
                    continue
                name = child.file_identifier().decode(encoding, "replace")
                children.append((name.split(";")[0], name, child))
            for name, own_name, child in sorted(children):
                path = shown_path + "/" + name if shown_path else name
                child_own = own_path + "/" + own_name if own_path else own_name
                own[path] = child_own
                found.append(Entry(path, child.is_dir(), 0 if child.is_dir() else child.get_data_length(),
                                   child.extent_location()))
                if child.is_dir():
                    visit(child_own, path)

        visit("", "")
        return found, own

    def root_block(self, tree):
        return self._iso.get_record(**{PATH_KEYS[tree]: "/"}).extent_location()

    def sha256(self, tree, path):
        digest = hashlib.sha256()
        sink = type("Sink", (), {"write": lambda _, data: digest.update(data)})()
        self._iso.get_file_from_iso_fp(sink, **self._where(tree, path))
        return digest.hexdigest()

    @property
    def file_sectors(self):
        return os.path.getsize(self.path) // SECTOR
