"""What a start reads from the medium: the programs on a read-only ext4 image on a loop device with
read-ahead 0, each file's pages evicted from the page cache before a start, and at the finished splash
the file's resident pages (mincore) and the device's read count (/sys/block/loopN/stat).

    with ReadsMedium(folder, {"NEW/LAUNCH.EXE": path, ...}) as medium:   # needs root and a loop device
        before = medium.prepare("NEW/LAUNCH.EXE")       # evicts the file, notes the device's counters
        ... start the program from medium.mount_point, wait for its finished window ...
        reads = medium.reads("NEW/LAUNCH.EXE", before)  # {"bytes", "runs", "pages", "device_reads", ...}

Reading a file from a slow disc costs a seek for every run of pages and the transfer of every byte:
model_seconds() turns a measurement into the time a CD-ROM drive would take.
"""

import ctypes
import mmap
import os
import shutil
import subprocess

PAGE = 4096
SEEK_SECONDS = 0.1             # one seek of a CD-ROM drive
BYTES_PER_SECOND_1X = 153600   # 150 KB/s per speed step
IMAGE_BYTES = 24 * 1024 * 1024

LIBC = ctypes.CDLL(None, use_errno=True)


class ReadsUnavailable(Exception):
    """This machine cannot measure start-up reads (no root, no loop device, a tool missing)."""


def unavailable_reason():
    """None if start-up reads can be measured here, else why not."""
    if os.geteuid() != 0:
        return "not running as root (a loop device and a mount need root)"
    for tool in ("losetup", "mkfs.ext4", "mount", "umount", "findmnt", "blockdev"):
        if not shutil.which(tool):
            return "%s is missing" % tool
    result = subprocess.run(["losetup", "-f"], capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.strip():
        return "no free loop device (losetup -f: %s)" % (result.stderr.strip() or "none")
    return None


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


def evict(path):
    fd = os.open(path, os.O_RDONLY)
    try:
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    finally:
        os.close(fd)


def page_runs(pages):
    """[[first, last], ...]: the runs of consecutive page indexes."""
    runs = []
    for page in pages:
        if runs and runs[-1][1] == page - 1:
            runs[-1][1] = page
        else:
            runs.append([page, page])
    return runs


def floor_bytes(image, picture_ids):
    """The least a start can read: the pages of the headers, of the code a start runs (.text; the code that
    only a click runs has a section of its own), and of the resource directory with the seven pictures of
    one set, as if they lay in one run (image: a launcherkit.pe.Executable)."""
    def pages(size):
        return (size + PAGE - 1) // PAGE * PAGE
    code = sum(s.raw_size for s in image.sections if s.name == ".text")
    pictures = sum(r.size for r in image.resources() if r.type == 2 and r.name in picture_ids)
    return pages(image.size_of_headers) + pages(code) + pages(image.directory_end + pictures)


def model_seconds(byte_count, runs, speed):
    """Time a CD-ROM drive of `speed` (4 for 4x) takes to read `runs` runs of `byte_count` bytes in all."""
    return runs * SEEK_SECONDS + byte_count / (BYTES_PER_SECOND_1X * speed)


class ReadsMedium:
    """A read-only ext4 image with the given files, on a loop device with read-ahead 0, mounted."""

    def __init__(self, folder, files, log=lambda text: None):
        self.folder = os.path.abspath(folder)
        self.files = files
        self.log = log
        self.image = os.path.join(self.folder, "medium.ext4")
        self.tree = os.path.join(self.folder, "tree")
        self.mount_point = os.path.join(self.folder, "mnt")
        self.device = None

    def __enter__(self):
        reason = unavailable_reason()
        if reason:
            raise ReadsUnavailable(reason)
        self.close()  # a run that was killed may have left its image mounted
        shutil.rmtree(self.tree, ignore_errors=True)
        for relative, source in self.files.items():
            target = os.path.join(self.tree, relative)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy(source, target)
        os.makedirs(self.mount_point, exist_ok=True)
        if os.path.exists(self.image):
            os.remove(self.image)
        subprocess.run(["mkfs.ext4", "-q", "-F", "-b", str(PAGE), "-d", self.tree, self.image,
                        "%dK" % (IMAGE_BYTES // 1024)], check=True, capture_output=True)
        try:
            # mount sets up the loop device and lets it go again at umount.
            subprocess.run(["mount", "-t", "ext4", "-o", "ro,loop", self.image, self.mount_point], check=True,
                           capture_output=True)
            self.device = subprocess.run(["findmnt", "-n", "-o", "SOURCE", self.mount_point], check=True,
                                         capture_output=True, text=True).stdout.strip()
            subprocess.run(["blockdev", "--setra", "0", self.device], check=True, capture_output=True)
        except (subprocess.CalledProcessError, OSError) as error:
            self.close()
            detail = getattr(error, "stderr", "") or str(error)
            raise ReadsUnavailable("the loop device could not be set up: %s" % str(detail).strip())
        self.log("start-up reads: %s on %s (read-ahead %s), mounted read-only at %s" % (
            os.path.basename(self.image), self.device, self.read_ahead(), self.mount_point))
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        if os.path.ismount(self.mount_point):
            subprocess.run(["umount", self.mount_point], capture_output=True)

    def read_ahead(self):
        return subprocess.run(["blockdev", "--getra", self.device], capture_output=True, text=True).stdout.strip()

    def path(self, relative):
        return os.path.join(self.mount_point, relative)

    def device_counters(self):
        """(read requests completed, sectors read) of the loop device."""
        with open("/sys/block/%s/stat" % os.path.basename(self.device)) as f:
            fields = [int(v) for v in f.read().split()]
        return fields[0], fields[2]

    def prepare(self, relative):
        """Evicts the file's pages; returns the device's counters to measure from."""
        path = self.path(relative)
        evict(path)
        left = resident_pages(path)
        if left:
            raise ReadsUnavailable("%d pages of %s stay in the page cache after eviction" % (len(left), relative))
        return self.device_counters()

    def reads(self, relative, before):
        """What has been read of the file since prepare(): its resident pages and the device's counters."""
        path = self.path(relative)
        pages = resident_pages(path)
        requests, sectors = self.device_counters()
        size = os.path.getsize(path)
        beyond_end = -size % PAGE if pages and pages[-1] == (size - 1) // PAGE else 0  # of a resident last page
        return {"bytes": len(pages) * PAGE - beyond_end,
                "runs": len(page_runs(pages)), "pages": page_runs(pages), "file_size": size,
                "device_reads": requests - before[0], "device_bytes": (sectors - before[1]) * 512}
