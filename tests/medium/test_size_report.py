"""scripts/size-report.sh against the executable and the files it was built from.

The report's rows must add up to the file's size, name the sections' contents as pefile reads them, and
its floor must be what the product's pictures, sounds and icon files take once stored as resources: a
bitmap without its 14-byte file header, an icon's images whole plus the icon group (6 bytes and 14 per
image), a sound whole. The launcher is $LAUNCHER_EXE, built from the profile $LAUNCHER_PROFILE."""
import os
import struct
import subprocess
from pathlib import Path

import pefile
import pytest

from launcherkit import resource_script

REPO = Path(__file__).resolve().parents[2]


def stored_size(path):
    data = path.read_bytes()
    if path.suffix == ".bmp":
        return len(data) - 14
    if path.suffix == ".ico":
        count = struct.unpack_from("<H", data, 4)[0]
        return sum(struct.unpack_from("<I", data, 6 + 16 * i + 8)[0] for i in range(count)) + 6 + 14 * count
    return len(data)


def resource_files(product):
    """The files the resource script names, in the product's resource folder."""
    return [Path(product.resource_folder) / entry.path for entry in resource_script.entries()]


@pytest.fixture(scope="module")
def rows(launcher_exe):
    """{first cell: number} of the report's table rows."""
    result = subprocess.run([str(REPO / "scripts" / "size-report.sh"), launcher_exe], capture_output=True,
                            text=True, timeout=60)
    print(result.stdout)
    assert result.returncode == 0, result.stderr
    return {cells[0]: int(cells[1]) for cells in (
        [c.strip() for c in line.strip("|").split("|")] for line in result.stdout.splitlines() if line.startswith("|"))
        if len(cells) >= 2 and cells[1].isdigit()}


def row(rows, prefix):
    matches = [value for label, value in rows.items() if label.startswith(prefix)]
    assert len(matches) == 1, "one row starting %r: %s" % (prefix, rows)
    return matches[0]


def test_the_parts_are_the_sections_and_add_up_to_the_file(rows, launcher_exe):
    pe = pefile.PE(str(launcher_exe), fast_load=True)
    code = [s for s in pe.sections if s.Characteristics & pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_CNT_CODE"]]
    names = ", ".join(s.Name.rstrip(b"\0").decode() for s in code)
    assert row(rows, "Code (%s)" % names) == sum(min(s.Misc_VirtualSize, s.SizeOfRawData) for s in code)
    # The resource section as far as its data goes: the resource table's size.
    resources = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]]
    assert row(rows, "Resources (.rsrc)") == resources.Size
    parts = [row(rows, prefix) for prefix in ("Headers", "Code", "Other sections", "Resources", "Alignment padding")]
    trailing = rows.get("Past the last section", 0)
    assert sum(parts) + trailing == row(rows, "**Total**") == os.path.getsize(launcher_exe)


def test_the_floor_is_the_products_resource_files_as_stored(rows, product):
    files = resource_files(product)
    assert files
    assert row(rows, "**Sum**") == sum(stored_size(f) for f in files)
    assert row(rows, "**Sum**") <= row(rows, "Resources (.rsrc)")
