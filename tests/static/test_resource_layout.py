"""Checks the step after the link that lays out the resource data (tools/pe/order_resources.py):
against the image as linked, only where the data lies has changed. The images are $LAUNCHER_EXE and
$LAUNCHER_AS_LINKED_EXE, the order $LAUNCHER_DATA_ORDER, the architecture $LAUNCHER_WINE_ARCH."""
import os
import struct
import subprocess
import sys
from pathlib import Path

from pe_resources import PeImage, pe_checksum

EXE = os.environ["LAUNCHER_EXE"]
LINKED = os.environ["LAUNCHER_AS_LINKED_EXE"]
ORDER = os.environ["LAUNCHER_DATA_ORDER"]
ARCH = os.environ["LAUNCHER_WINE_ARCH"]
OBJDUMP = "i686-w64-mingw32-objdump" if ARCH == "win32" else "x86_64-w64-mingw32-objdump"
ORDER_TOOL = Path(__file__).resolve().parents[2] / "tools" / "pe" / "order_resources.py"


def load(path):
    data = Path(path).read_bytes()
    return data, PeImage(data)


class TestLayout:
    ordered, image = load(EXE)
    linked, linked_image = load(LINKED)

    def test_same_resources_with_the_same_bytes(self):
        before = {r.key: self.linked_image.resource_bytes(r) for r in self.linked_image.resources()}
        after = {r.key: self.image.resource_bytes(r) for r in self.image.resources()}
        assert sorted(after, key=str) == sorted(before, key=str)
        for key, content in before.items():
            assert after[key] == content, "resource %s" % (key,)

    def test_same_directory_entry_by_entry(self):
        # The directory's tables, names and data entries are the same bytes, but for the entries' RVAs.
        def directory(image, data):
            section = image.resource_section()
            resources = image.resources()
            table = bytearray(data[section.raw_offset:section.raw_offset + image.directory_end])
            for r in resources:
                struct.pack_into("<I", table, r.entry_offset, 0)
            return bytes(table)
        assert directory(self.image, self.ordered) == directory(self.linked_image, self.linked)

    def test_data_apart_and_inside_the_section(self):
        section = self.image.resource_section()
        spans = sorted((r.rva, r.rva + r.size) for r in self.image.resources())
        assert spans[0][0] >= section.rva + self.image.directory_end
        for (_, end), (start, _) in zip(spans, spans[1:]):
            assert end <= start, "two resources overlap"
        assert spans[-1][1] <= section.rva + section.virtual_size
        assert section.virtual_size <= section.raw_size

    def test_laid_out_in_the_given_order(self):
        result = subprocess.run([sys.executable, str(ORDER_TOOL), ORDER, EXE, "--check"], capture_output=True,
                                text=True)
        assert result.returncode == 0, "not in the order of %s %s" % (ORDER, result.stderr)

    def test_everything_but_the_resource_section_unchanged(self):
        section = self.image.resource_section()
        for before, after in zip(self.linked_image.sections, self.image.sections):
            assert (after.name, after.rva, after.raw_offset) == (before.name, before.rva, before.raw_offset)
            if after.name != section.name:
                assert self.ordered[after.raw_offset:after.raw_offset + after.raw_size] == \
                    self.linked[before.raw_offset:before.raw_offset + before.raw_size], after.name

        def headers(image, data):
            masked = bytearray(data[:image.size_of_headers])
            for offset in (image.checksum_offset, image.size_of_image_offset, image.size_of_initialized_data_offset,
                           image.resource_directory_offset + 4, section.header_offset + 8, section.header_offset + 16):
                struct.pack_into("<I", masked, offset, 0)
            return bytes(masked)
        assert headers(self.image, self.ordered) == headers(self.linked_image, self.linked)

    def test_sizes_and_checksum_consistent(self):
        section = self.image.resource_section()
        assert self.image.resource_size == section.virtual_size
        last = max(s.rva + s.virtual_size for s in self.image.sections)
        assert self.image.size_of_image == -(-last // self.image.section_alignment) * self.image.section_alignment
        assert len(self.ordered) == max(s.raw_offset + s.raw_size for s in self.image.sections)
        assert self.image.checksum == pe_checksum(self.ordered, self.image.checksum_offset)

    def test_tools_read_it_as_before(self):
        dump = subprocess.run([OBJDUMP, "-p", EXE], check=True, capture_output=True, text=True).stdout
        assert "The .rsrc Resource Directory section" in dump

        def listing(path):
            text = subprocess.run(["wrestool", "-l", path], check=True, capture_output=True, text=True).stdout
            return sorted(line.split(" [")[0] + " " + line.split("size=")[1] for line in text.splitlines())
        assert listing(EXE) == listing(LINKED)


