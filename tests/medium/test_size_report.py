"""scripts/size-report.sh against the executable's own PE headers and the resource script.

Reads the section table of the launcher under test (LAUNCHER_EXE) directly (no objdump) and the files
that resources/launcher.rc names, computes what each row of the report must say, and compares: the
headers (up to the end of the section table), code, other sections and resources rows (their content),
the padding that rounds them up to the file alignment, that the parts add up to the file's size, and
the floor of the resource files as stored.
"""
import os
import re
import struct
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
SIZE_REPORT = REPO / "scripts" / "size-report.sh"
RESOURCE_SCRIPT = REPO / "resources" / "launcher.rc"


class PeLayout:
    """The headers' content (to the end of the section table), SizeOfHeaders and, per section with data
    in the file, (name, SizeOfRawData, content size, file offset)."""

    def __init__(self, data):
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
        sections_count = struct.unpack_from("<H", data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        self.size_of_headers = struct.unpack_from("<I", data, optional + 60)[0]
        self.sections = []
        for i in range(sections_count):
            entry = optional + optional_size + 40 * i
            name = data[entry:entry + 8].rstrip(b"\0").decode("ascii")
            virtual_size, _, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
            if raw_size:
                content = min(virtual_size, raw_size) if virtual_size else raw_size
                self.sections.append((name, raw_size, content, raw_offset))
        self.headers = optional + optional_size + 40 * sections_count
        self.file_size = len(data)
        end = max([self.size_of_headers] + [s[3] + s[1] for s in self.sections])
        self.trailing = len(data) - end

    def content(self, names, exclude=False):
        """The content size of the sections named (or, with exclude, of all others), as a report row."""
        return [sum(s[2] for s in self.sections if (s[0] in names) != exclude)]


def resource_floor():
    """Sum of the files named by the resource script, as the resource compiler stores them."""
    total = 0
    for type_, path in re.findall(r'^\s*\w+\s+(BITMAP|ICON|WAVE)\s+"([^"]+)"', RESOURCE_SCRIPT.read_text(),
                                  re.MULTILINE):
        data = (RESOURCE_SCRIPT.parent / path).read_bytes()
        if type_ == "BITMAP":
            total += len(data) - 14  # BITMAPFILEHEADER is not stored
        elif type_ == "ICON":
            count = struct.unpack_from("<H", data, 4)[0]
            images = sum(struct.unpack_from("<I", data, 6 + 16 * i + 8)[0] for i in range(count))
            total += images + 6 + 14 * count  # images, and the group's header and 14-byte entries
        else:
            total += len(data)
    return total


def report_rows(text):
    """{first cell: [number cells]} of the report's Markdown tables."""
    rows = {}
    for line in text.splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if line.startswith("|") and len(cells) >= 2 and cells[1].isdigit():
            rows[cells[0]] = [int(c) for c in cells[1:] if c.isdigit()]
    return rows


class Report:
    def __init__(self, text):
        self.rows = report_rows(text)

    def row(self, prefix):
        """The numbers of the one row whose first cell starts with prefix; None when not exactly one does."""
        matches = [v for k, v in self.rows.items() if k.startswith(prefix)]
        return matches[0] if len(matches) == 1 else None


@pytest.fixture(scope="module")
def exe():
    path = os.environ.get("LAUNCHER_EXE")
    assert path, "LAUNCHER_EXE is not set: it names the executable to report on (CTest sets it)"
    return Path(path)


@pytest.fixture(scope="module")
def layout(exe):
    return PeLayout(exe.read_bytes())


@pytest.fixture(scope="module")
def report(exe):
    result = subprocess.run(["bash", str(SIZE_REPORT), str(exe)], capture_output=True, text=True, timeout=60)
    print(result.stdout)
    assert result.returncode == 0, f"the size report does not run ({result.returncode}):\n{result.stderr}"
    return Report(result.stdout)


def test_headers_row_is_the_headers_up_to_the_section_table(report, layout):
    assert report.row("Headers") == [layout.headers]


@pytest.mark.parametrize("prefix, names, exclude", [
    ("Code (.text)", {".text"}, False),
    ("Resources (.rsrc)", {".rsrc"}, False),
    ("Other sections", {".text", ".rsrc"}, True),
], ids=["code", "resources", "other"])
def test_section_row_is_the_sections_content(report, layout, prefix, names, exclude):
    assert report.row(prefix) == layout.content(names, exclude)


def test_bytes_past_the_last_section(report, layout):
    assert report.row("Past the last section") == ([layout.trailing] if layout.trailing else None)


def test_alignment_padding(report, layout):
    padding = layout.size_of_headers - layout.headers + sum(s[1] - s[2] for s in layout.sections)
    assert report.row("Alignment padding") == [padding]


def test_total_is_the_file_size(report, layout):
    total = report.row("**Total**")
    assert total is not None and total[0] == layout.file_size, f"total row {total}, file size {layout.file_size}"


def test_the_parts_add_up_to_the_file_size(report, layout):
    parts = [report.row(p) for p in ("Headers", "Code", "Other sections", "Resources", "Alignment padding")]
    assert all(parts), f"a part's row is missing or not unique: {parts}"
    assert sum(p[0] for p in parts) + layout.trailing == layout.file_size


def test_the_floor_is_the_resource_files_as_stored(report):
    assert report.row("**Sum of") == [resource_floor()]


def test_the_floor_does_not_exceed_the_rsrc_content(layout):
    assert resource_floor() <= layout.content({".rsrc"})[0]
