#!/usr/bin/env python3
"""Checks scripts/size-report.sh against the executable's own PE headers and the resource script.

    check_size_report.py EXE

Reads the section table of EXE directly (no objdump) and the files that resources/launcher.rc names,
computes what each row of the report must say, and compares: the headers (up to the end of the section
table), code, other sections and resources rows (their content), the padding that rounds them up to the
file alignment, that the parts add up to the file's size, and the floor of the resource files as stored.
"""
import re
import struct
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
SIZE_REPORT = REPO / "scripts" / "size-report.sh"
RESOURCE_SCRIPT = REPO / "resources" / "launcher.rc"

failures = []


def check(condition, message):
    print(("ok    " if condition else "FAIL  ") + message)
    if not condition:
        failures.append(message)
    return condition


def pe_layout(data):
    """The headers' content (to the end of the section table), SizeOfHeaders and, per section with data
    in the file, (name, SizeOfRawData, content size, file offset)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections_count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    size_of_headers = struct.unpack_from("<I", data, optional + 60)[0]
    sections = []
    for i in range(sections_count):
        entry = optional + optional_size + 40 * i
        name = data[entry:entry + 8].rstrip(b"\0").decode("ascii")
        virtual_size, _, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
        if raw_size:
            content = min(virtual_size, raw_size) if virtual_size else raw_size
            sections.append((name, raw_size, content, raw_offset))
    headers = optional + optional_size + 40 * sections_count
    return headers, size_of_headers, sections


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


def row(rows, prefix):
    matches = [v for k, v in rows.items() if k.startswith(prefix)]
    return matches[0] if len(matches) == 1 else None


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: check_size_report.py EXE")
    exe = Path(sys.argv[1])
    data = exe.read_bytes()
    headers, headers_span, sections = pe_layout(data)

    result = subprocess.run(["bash", str(SIZE_REPORT), str(exe)], capture_output=True, text=True)
    sys.stdout.write(result.stdout)
    if not check(result.returncode == 0, "the size report runs"):
        sys.stdout.write(result.stderr)
        return
    rows = report_rows(result.stdout)

    def content(names, exclude=False):
        return [sum(s[2] for s in sections if (s[0] in names) != exclude)]

    check(row(rows, "Headers") == [headers], f"headers row is the headers up to the section table, {headers}")
    check(row(rows, "Code (.text)") == content({".text"}), f"code row is .text {content({'.text'})}")
    check(row(rows, "Resources (.rsrc)") == content({".rsrc"}), f"resources row is .rsrc {content({'.rsrc'})}")
    check(row(rows, "Other sections") == content({".text", ".rsrc"}, exclude=True),
          f"other sections row is the rest {content({'.text', '.rsrc'}, exclude=True)}")
    end = max([headers_span] + [s[3] + s[1] for s in sections])
    trailing = len(data) - end
    check(row(rows, "Past the last section") == ([trailing] if trailing else None),
          f"bytes past the last section: {trailing}")
    padding = headers_span - headers + sum(s[1] - s[2] for s in sections)
    check(row(rows, "Alignment padding") == [padding], f"alignment padding is {padding}")
    total = row(rows, "**Total**")
    check(total is not None and total[0] == len(data), f"total is the file size {len(data)}")
    parts = [row(rows, p) for p in ("Headers", "Code", "Other sections", "Resources", "Alignment padding")]
    check(all(parts) and sum(p[0] for p in parts) + trailing == len(data), "the parts add up to the file size")

    floor = resource_floor()
    check(row(rows, "**Sum of") == [floor], f"the floor is the resource files as stored: {floor}")
    check(floor <= content({".rsrc"})[0], "the floor does not exceed the .rsrc content")


if __name__ == "__main__":
    main()
    print(f"size report: {'all checks passed' if not failures else f'{len(failures)} checks failed'}")
    sys.exit(1 if failures else 0)
