"""What a start reads from the medium: the programs measured on a read-only ext4 image on a loop device with
read-ahead 0, each file's pages evicted from the page cache before a start, and at the finished splash the
file's resident pages (mincore) and the device's read count; and the least each picture set's start can
read, from the built launcher's layout."""

import ctypes
import mmap
import os
import shutil
import subprocess

from launcherkit import KitError
from launcherkit.pe import Executable
from launcherkit.wine.launcher_session import BROWSER_DECOY

from bench.depth_bench import PEER_DEPTH, log

PAGE = 4096
IMAGE_BYTES = 24 * 1024 * 1024
LIBC = ctypes.CDLL(None, use_errno=True)


def resident_pages(path):
    """The indexes of the file's pages that are in the page cache (mapping the file reads nothing; the
    copy-on-write mapping gives ctypes a buffer it can point mincore at, and is never written)."""
    with open(path, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_COPY) as view:
        start = ctypes.c_char.from_buffer(view)
        try:
            vector = ctypes.create_string_buffer((len(view) + PAGE - 1) // PAGE)
            if LIBC.mincore(ctypes.byref(start), ctypes.c_size_t(len(view)), vector) != 0:
                raise OSError(ctypes.get_errno(), "mincore failed")
            return [i for i, flag in enumerate(vector.raw) if flag & 1]
        finally:
            del start  # the mapping closes only once no buffer points into it


class ReadsMedium:
    """The programs measured (variants()), each in a folder of its own with the recorder beside it in place
    of the programs it starts, on a read-only ext4 image mounted at `mount_point`; `args`: measure.py's."""

    def __init__(self, folder, args):
        self.folder, self.args = os.path.abspath(folder), args
        self.mount_point = os.path.join(self.folder, "mnt")

    def variants(self, depth):
        """What is measured at `depth`: [(row label, tier of the pictures shown, {layout: (path on the medium,
        file)}, the executable whose pictures it shows)]."""
        name, programs, bench = self.args.product.launcher_file, self.args.programs, self.args.bench
        found = [(os.path.basename(programs.launcher), 8 if depth == 8 else 24, {
            "as linked": ("LINKED/" + name, bench["launcher_as_linked"]),
            "ordered": ("ORDERED/" + name, programs.launcher)}, programs.launcher)]
        if depth == PEER_DEPTH:
            found.append(("%s, the 16-colour test build" % os.path.basename(programs.launcher4), 4, {
                "as linked": ("LINKED4/" + name, bench["launcher4_as_linked"]),
                "ordered": ("ORDERED4/" + name, programs.launcher4)}, programs.launcher4))
        if depth == PEER_DEPTH and "peer" in bench:
            found.append(("NSIS peer", 24, {"peer": ("PEER/PEER.EXE", bench["peer"])}, programs.launcher))
        return found

    def open(self):
        """Lays the medium out and mounts it; None, or why that cannot be done (no root, no loop device, a
        tool missing)."""
        if os.geteuid() != 0:
            return "not running as root (a loop device and a mount need root)"
        self.close()  # a run that was killed may have left its image mounted
        tree, image = os.path.join(self.folder, "tree"), os.path.join(self.folder, "medium.ext4")
        shutil.rmtree(tree, ignore_errors=True)
        for _, _, layouts, _ in self.variants(PEER_DEPTH):
            for relative, source in layouts.values():
                folder = os.path.join(tree, os.path.dirname(relative))
                os.makedirs(folder)
                shutil.copy(source, os.path.join(tree, relative))
                for stub in (self.args.product.setup_program, BROWSER_DECOY):
                    shutil.copy(self.args.programs.recorder, os.path.join(folder, stub))
        os.makedirs(self.mount_point, exist_ok=True)
        if os.path.exists(image):
            os.remove(image)
        try:
            subprocess.run(["mkfs.ext4", "-q", "-F", "-b", str(PAGE), "-d", tree, image,
                            "%dK" % (IMAGE_BYTES // 1024)], check=True, capture_output=True, text=True)
            # mount sets up a free loop device and lets it go again at umount.
            subprocess.run(["mount", "-t", "ext4", "-o", "ro,loop", image, self.mount_point], check=True, text=True,
                           capture_output=True)
            self.device = subprocess.run(["findmnt", "-n", "-o", "SOURCE", self.mount_point], check=True,
                                         capture_output=True, text=True).stdout.strip()
            subprocess.run(["blockdev", "--setra", "0", self.device], check=True, capture_output=True)
        except (subprocess.CalledProcessError, OSError) as error:  # a tool missing, no free loop device
            self.close()
            detail = getattr(error, "stderr", "") or str(error)
            return "the loop device could not be set up: %s" % str(detail).strip()
        log("start-up reads: %s on %s (read-ahead 0), mounted read-only at %s" % (
            os.path.basename(image), self.device, self.mount_point))

    def close(self):
        if os.path.ismount(self.mount_point):
            subprocess.run(["umount", self.mount_point], capture_output=True)

    def read_requests(self):
        """Read requests the loop device has completed."""
        with open("/sys/block/%s/stat" % os.path.basename(self.device)) as f:
            return int(f.read().split()[0])

    def prepare(self, relative):
        """Evicts the file's pages; returns the device's count to measure from."""
        path = os.path.join(self.mount_point, relative)
        with open(path, "rb") as f:
            os.posix_fadvise(f.fileno(), 0, 0, os.POSIX_FADV_DONTNEED)
        left = resident_pages(path)
        if left:
            raise KitError("%d pages of %s stay in the page cache after eviction" % (len(left), relative))
        return self.read_requests()

    def reads(self, relative, before):
        """What has been read of the file since prepare(): its resident pages in bytes (the last one only as
        far as the file goes), the runs of consecutive ones, and the device's read requests."""
        path = os.path.join(self.mount_point, relative)
        pages, size = resident_pages(path), os.path.getsize(path)
        beyond_end = -size % PAGE if pages and pages[-1] == (size - 1) // PAGE else 0
        return {"bytes": len(pages) * PAGE - beyond_end,
                "runs": sum(1 for i, page in enumerate(pages) if i == 0 or pages[i - 1] != page - 1),
                "device_reads": self.read_requests() - before}


def floors(args):
    """The least a start of each picture set can read, from the built launcher's layout: the pages of the
    headers, of the code a start runs (.text; the code that only a click runs has a section of its own),
    and of the resource directory with the seven pictures of the set, as if they lay in one run."""
    image = Executable.open(args.programs.launcher)
    code = sum(s.raw_size for s in image.sections if s.name == ".text")
    floor = {}
    for tier in (24, 8, 4):
        pictures = args.product.pictures(tier)
        ids = [pictures.background, *pictures.rest, *pictures.hover]
        data = sum(r.size for r in image.resources() if r.type == 2 and r.name in ids)
        floor[str(tier)] = sum(-(-size // PAGE) * PAGE for size in (image.size_of_headers, code,
                                                                    image.directory_end + data))
    return floor
