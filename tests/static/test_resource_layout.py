"""Checks the step after the link that lays out the resource data (`tools/kit order-resources`):
against the image as linked, only where the data lies has changed; and a damaged image is refused
with a message, nothing written. The images are $LAUNCHER_EXE and $LAUNCHER_AS_LINKED_EXE, the order
$LAUNCHER_DATA_ORDER."""
import os
import shutil
import struct
import subprocess
from pathlib import Path

import pytest

from launcherkit.pe import Executable

KIT = Path(__file__).resolve().parents[2] / "tools" / "kit"


@pytest.fixture(scope="module")
def order(ctest):
    return ctest("LAUNCHER_DATA_ORDER")


@pytest.fixture(scope="module")
def linked_path(ctest):
    return ctest("LAUNCHER_AS_LINKED_EXE")


def order_resources(order, *args):
    return subprocess.run([str(KIT), "order-resources", str(order)] + [str(a) for a in args], capture_output=True,
                          text=True, timeout=60)


class TestLayout:
    @pytest.fixture(autouse=True)
    def images(self, launcher_exe, linked_path):
        self.image, self.linked = Executable.open(str(launcher_exe)), Executable.open(linked_path)

    def test_same_resources_with_the_same_bytes(self):
        before = {r.key: self.linked.resource_bytes(r) for r in self.linked.resources()}
        after = {r.key: self.image.resource_bytes(r) for r in self.image.resources()}
        assert sorted(after, key=str) == sorted(before, key=str)
        for key, content in before.items():
            assert after[key] == content, "resource %s" % (key,)

    def test_same_directory_entry_by_entry(self):
        # The directory's tables, names and data entries are the same bytes, but for the entries' RVAs.
        def directory(image):
            section = image.resource_section()
            resources = image.resources()
            table = bytearray(image.data[section.raw_offset:section.raw_offset + image.directory_end])
            for r in resources:
                struct.pack_into("<I", table, r.entry_offset - section.raw_offset, 0)
            return bytes(table)
        assert directory(self.image) == directory(self.linked)

    def test_data_apart_and_inside_the_section(self):
        section = self.image.resource_section()
        spans = sorted((r.rva, r.rva + r.size) for r in self.image.resources())
        assert spans[0][0] >= section.rva + self.image.directory_end
        for (_, end), (start, _) in zip(spans, spans[1:]):
            assert end <= start, "two resources overlap"
        assert spans[-1][1] <= section.rva + section.virtual_size
        assert section.virtual_size <= section.raw_size

    def test_laid_out_in_the_given_order(self, launcher_exe, order):
        result = order_resources(order, launcher_exe, "--check")
        assert result.returncode == 0, "not in the order of %s %s" % (order, result.stderr)

    def test_everything_but_the_resource_section_unchanged(self):
        section = self.image.resource_section()
        for before, after in zip(self.linked.sections, self.image.sections):
            assert (after.name, after.rva, after.raw_offset) == (before.name, before.rva, before.raw_offset)
            if after.name != section.name:
                assert self.image.data[after.raw_offset:after.raw_offset + after.raw_size] == \
                    self.linked.data[before.raw_offset:before.raw_offset + before.raw_size], after.name

        def headers(image):
            masked = bytearray(image.data[:image.size_of_headers])
            for offset in (image.checksum_offset, image.size_of_image_offset, image.size_of_initialized_data_offset,
                           image.resource_directory_offset + 4, section.header_offset + 8, section.header_offset + 16):
                struct.pack_into("<I", masked, offset, 0)
            return bytes(masked)
        assert headers(self.image) == headers(self.linked)

    def test_sizes_and_checksum_consistent(self):
        section = self.image.resource_section()
        assert self.image.resource_size == section.virtual_size
        last = max(s.rva + s.virtual_size for s in self.image.sections)
        assert self.image.size_of_image == -(-last // self.image.section_alignment) * self.image.section_alignment
        assert len(self.image.data) == max(s.raw_offset + s.raw_size for s in self.image.sections)
        assert self.image.checksum_valid()


def resource_entry(image, type_):
    return next(r for r in image.resources() if r.type == type_)


def damaged(linked_path, change):
    """The image as linked, damaged by `change(image, data)` (data: a bytearray of the file)."""
    image = Executable.open(linked_path)
    data = bytearray(image.data)
    return change(image, data)


def cut_to(length):
    return lambda image, data: data[:length]


def entry_field(type_, field_offset, value):
    """Sets one field of a resource's data entry (0: its RVA, 4: its size)."""
    def change(image, data):
        entry = resource_entry(image, type_)
        struct.pack_into("<I", data, entry.entry_offset + field_offset, value(image, entry))
        return data
    return change


def rsrc_raw_size(value):
    def change(image, data):
        struct.pack_into("<I", data, image.resource_section().header_offset + 16, value(image))
        return data
    return change


def rsrc_virtual_size_past_its_raw_size(image, data):
    """.rsrc's VirtualSize 128 KiB beyond its raw size, and the sound's data moved into that tail, which the
    file does not hold."""
    section = image.resource_section()
    struct.pack_into("<I", data, section.header_offset + 8, section.raw_size + 0x20000)
    struct.pack_into("<I", data, resource_entry(image, "WAVE").entry_offset, section.rva + section.raw_size + 0x100)
    return data


# (what, damage, what the refusal says[, the order file's text])
DAMAGED = [
    ("not a program", lambda image, data: b"not a program at all, just text\n" * 10, "DOS Header magic not found"),
    ("cut inside the headers", cut_to(200), ""),
    ("cut in half", lambda image, data: data[:len(data) // 2], "ends at byte"),
    ("a picture's data larger than the file", entry_field(2, 4, lambda image, entry: len(image.data) * 2),
     "does not lie inside section .rsrc"),
    ("a sound's data before the section", entry_field("WAVE", 0, lambda image, entry: 0x1000),
     "does not lie inside section .rsrc"),
    ("the resource section reaching past the file",
     rsrc_raw_size(lambda image: image.resource_section().raw_size + 0x100000), "ends at byte"),
    ("cut by 16 bytes", lambda image, data: data[:-16], "ends at byte"),
    # pefile reads a section no further than its raw size and drops the directory entries cut there, so the
    # directory the kit measures always ends inside it; the data, which follows, then lies outside.
    ("the section's raw size ending inside the directory",
     rsrc_raw_size(lambda image: (image.resources(), image.directory_end - 16)[1]), "does not lie inside section .rsrc"),
    ("a data entry moved to the section's start + 16",
     entry_field(2, 0, lambda image, entry: image.resource_section().rva + 16),
     "the resource directory reaches into the resource data"),
    ("VirtualSize beyond the raw size, with data in the tail", rsrc_virtual_size_past_its_raw_size,
     "does not lie inside section .rsrc"),
    ("an order naming a resource the image lacks", lambda image, data: data,
     "group [missing] names 2 999, which the image does not have", "[missing]\nBITMAP 999\n"),
]


@pytest.mark.parametrize("change, message, order_text", [(case + (None,))[1:4] for case in DAMAGED],
                         ids=[case[0] for case in DAMAGED])
def test_a_damaged_image_is_refused_and_left_as_it_was(tmp_path, linked_path, order, change, message,
                                                       order_text):
    path = tmp_path / "LAUNCH.EXE"
    shutil.copyfile(linked_path, path)
    path.write_bytes(bytes(damaged(linked_path, change)))
    before = path.read_bytes()
    if order_text:
        order = tmp_path.parent / "order.txt"
        order.write_text(order_text)
    result = order_resources(order, path)
    assert result.returncode == 2, "accepted (%d): %s" % (result.returncode, result.stderr)
    assert result.stderr.startswith("order-resources: %s: " % path), result.stderr
    assert message in result.stderr
    assert "Traceback" not in result.stderr
    assert path.read_bytes() == before, "the damaged image was rewritten"
    assert sorted(os.listdir(tmp_path)) == ["LAUNCH.EXE"], "a temporary file was left behind"
