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

from ctest_settings import variable
from launcherkit.order_resources import plan, read_order
from launcherkit.pe import Executable, align

# Module-level: the table of damaged images below measures the image as linked.
ORDER = variable("LAUNCHER_DATA_ORDER")
LINKED = variable("LAUNCHER_AS_LINKED_EXE")
KIT = Path(__file__).resolve().parents[2] / "tools" / "kit"


@pytest.fixture(scope="module")
def order():
    return ORDER


@pytest.fixture(scope="module")
def linked_path():
    return LINKED


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
        # The resource table's size is where its data ends, in the section's file bytes and in memory.
        assert self.image.resource_size == align(spans[-1][1] - section.rva, 8)
        assert self.image.resource_size <= min(section.raw_size, section.virtual_size)

    def test_laid_out_in_the_given_order(self, launcher_exe, order):
        result = order_resources(order, launcher_exe, "--check")
        assert result.returncode == 0, "not in the order of %s %s" % (order, result.stderr)

    def test_groups_start_on_fresh_pages_as_the_order_says(self):
        # The link leaves room after the resource data for the pages that the order's page starts add;
        # without it the step lays the groups one after another.
        layout, _ = plan(self.image, read_order(ORDER))
        assert {r.key: r.rva for r in self.image.resources()} == {r.key: rva for r, rva in layout}

    def test_everything_but_the_resource_section_unchanged(self):
        # Every section keeps its place in memory and its bytes; those after the resource section in the
        # file (the code that only a click runs) move on by what the resource data grew.
        section, linked_section = self.image.resource_section(), self.linked.resource_section()
        grown = section.raw_size - linked_section.raw_size
        moved = [s for s in self.linked.sections if s.raw_size and s.raw_offset > linked_section.raw_offset]
        for before, after in zip(self.linked.sections, self.image.sections):
            offset = before.raw_offset + (grown if before in moved else 0)
            assert (after.name, after.rva, after.raw_offset) == (before.name, before.rva, offset)
            if after.name != section.name:
                assert self.image.data[after.raw_offset:after.raw_offset + after.raw_size] == \
                    self.linked.data[before.raw_offset:before.raw_offset + before.raw_size], after.name
        assert self.image.data[section.raw_offset + section.raw_size:] == \
            self.linked.data[linked_section.raw_offset + linked_section.raw_size:]

        def headers(image):
            masked = bytearray(image.data[:image.size_of_headers])
            for offset in (image.checksum_offset, image.size_of_image_offset, image.size_of_initialized_data_offset,
                           image.resource_directory_offset + 4, section.header_offset + 8, section.header_offset + 16,
                           *(s.header_offset + 20 for s in moved)):
                struct.pack_into("<I", masked, offset, 0)
            return bytes(masked)
        assert headers(self.image) == headers(self.linked)

    def test_sizes_and_checksum_consistent(self):
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


def next_section_at(rva):
    """Moves the section that follows .rsrc in memory to the RVA `rva(image, .rsrc)`."""
    def change(image, data):
        section = image.resource_section()
        following = min((s for s in image.sections if s.rva > section.rva), key=lambda s: s.rva)
        struct.pack_into("<I", data, following.header_offset + 12, rva(image, section))
        return data
    return change


# (what, damage, what the refusal says[, the order file's text])
DAMAGED = [
    ("not a program", lambda image, data: b"not a program at all, just text\n" * 10,
     "a file that is no Windows program (it does not begin with MZ)"),
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
    ("the next section in memory inside the resource data",
     next_section_at(lambda image, section: section.rva + align(section.virtual_size // 2, 4096)),
     "the resource data takes %d bytes, but the next section follows" % Executable.open(LINKED).resource_size),
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


def test_without_room_for_page_starts_the_groups_follow_one_another(tmp_path):
    # The next section right after the resource data's last page: the data keeps to the room it had, in
    # the order's sequence but without page starts, and the section still reaches up to the next one.
    path = tmp_path / "LAUNCH.EXE"
    path.write_bytes(bytes(damaged(LINKED, next_section_at(
        lambda image, section: align(section.rva + section.virtual_size, image.section_alignment)))))
    linked = Executable.open(path)
    result = order_resources(ORDER, path)
    assert result.returncode == 0, result.stderr
    assert result.stderr == "order-resources: no room for page starts after .rsrc; groups follow one another\n"
    image = Executable.open(path)
    section = image.resource_section()
    following = min((s for s in image.sections if s.rva > section.rva), key=lambda s: s.rva)
    assert section.rva + section.virtual_size == following.rva
    assert [(s.rva, s.raw_offset, s.raw_size) for s in image.sections] == \
        [(s.rva, s.raw_offset, s.raw_size) for s in linked.sections]
    layout, _ = plan(image, read_order(ORDER), page_starts=False)
    assert {r.key: r.rva for r in image.resources()} == {r.key: rva for r, rva in layout}
    assert image.checksum_valid()
