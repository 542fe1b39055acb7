"""Lays out the resource data of a linked PE image in a given order (a step of the launcher's build).

    tools/kit order-resources ORDER_FILE EXE [--check]

GNU ld and windres put resource data by type, then by name; a start of the launcher reads only some of it,
page by page, so data read together should lie together. Only where each resource's data lies changes (its
data entry's RVA), with the section's sizes, the image size and the checksum; the result is the same every
time. Where another section follows in memory, the data may grow into the room before it: the resource
section then reaches up to it (the loader of Windows NT refuses a gap between sections), and the sections
after it in the file move on by what the data grew.

ORDER_FILE (resources/data_order.txt) lists groups in file order: "[label]", or "[label] page" to start on a
fresh page where that makes the group span fewer pages; then "TYPE NAME" lines (a type's number or name; a
number, an identifier of resource_ids.h beside ORDER_FILE, or a resource's own name) and "TABLE GROUP" lines
(resource_table.txt's start-up group GROUP). Resources not listed follow in directory order. With --check
nothing is written: exit 0 if EXE is laid out so already, else 1. A damaged image is refused first.
"""

import os
import struct
import sys

from launcherkit import KitError, identifiers, resource_table
from launcherkit.pe import RT_NUMBERS, Executable, align

DATA_ALIGNMENT = 8  # what windres gives every resource's data


def parse_key(text):
    return int(text) if text.isdigit() else text


def read_order(path):
    """[(label, page, [(type, name), ...])] from the order file."""
    folder = os.path.dirname(os.path.abspath(path))
    header, table = os.path.join(folder, "resource_ids.h"), os.path.join(folder, "resource_table.txt")
    ids = identifiers.read(header) if os.path.exists(header) else {}
    table = resource_table.read(table, ids) if os.path.exists(table) else None
    groups = []
    with open(path) as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            if line.startswith("["):
                label, _, rest = line[1:].partition("]")
                if rest.strip() not in ("", "page"):
                    raise KitError("%s:%d: after the group only 'page' may follow" % (path, number))
                groups.append((label.strip(), rest.strip() == "page", []))
                continue
            words = line.split()
            if len(words) != 2 or not groups:
                raise KitError("%s:%d: expected 'TYPE NAME' inside a group" % (path, number))
            if words[0] == "TABLE":
                members = [e for e in table.entries if e.group == words[1]] if table else []
                if not members:
                    raise KitError("%s:%d: no resource of resource_table.txt is in the group %s"
                                   % (path, number, words[1]))
                groups[-1][2].extend((RT_NUMBERS.get(e.kind, e.kind), e.id) for e in members)
                continue
            type_ = RT_NUMBERS.get(words[0], parse_key(words[0]))
            groups[-1][2].append((type_, ids.get(words[1], parse_key(words[1]))))
    return groups


def pages_spanned(offset, size, page):
    return (offset + size - 1) // page - offset // page + 1 if size else 0


def check_in_file(image):
    """Refuses an image whose sections, resource directory or resource data do not lie inside the file
    and the resource section as the headers say; everything the rewrite reads or writes is then there."""
    size = len(image.data)
    for section in image.sections:
        if section.raw_offset + section.raw_size > size:
            raise KitError("section %s ends at byte %d of a file of %d bytes (cut short?)"
                           % (section.name, section.raw_offset + section.raw_size, size))
    resources = image.resources()
    if not resources:
        raise KitError("the image has no resource data")
    section = image.resource_section()
    room = section.raw_size
    if image.directory_end > room:
        raise KitError("the resource directory ends %d bytes into a section of %d" % (image.directory_end, room))
    for r in resources:
        if r.rva < section.rva or r.rva + r.size > section.rva + room:
            raise KitError("the data of resource %r (RVA 0x%x, %d bytes) does not lie inside section %s "
                           "(RVA 0x%x, %d bytes in the file)" % (r, r.rva, r.size, section.name, section.rva, room))


def plan(image, groups, page_starts=True):
    """[(resource, new RVA)] in file order, and the end RVA of the data. Without page_starts, every
    group follows the one before it, and the data takes exactly the room it took before."""
    resources = image.resources()
    section = image.resource_section()
    data_start = min(r.rva for r in resources)
    if image.directory_end > data_start - section.rva:
        raise KitError("the resource directory reaches into the resource data")
    page = image.section_alignment
    placed = set()
    sequence = []
    for label, page_start, members in groups:
        chosen = []
        for key in members:
            matches = [r for r in resources if (r.type, r.name) == key]
            if not matches:
                raise KitError("group [%s] names %s %s, which the image does not have" % (label, *key))
            if any(r.key in placed for r in matches):
                raise KitError("%s %s is listed twice" % key)
            chosen += matches
            placed.update(r.key for r in matches)
        sequence.append((page_start, chosen))
    sequence.append((False, [r for r in resources if r.key not in placed]))

    layout = []
    rva = data_start
    for page_start, chosen in sequence:
        size = sum(align(r.size, DATA_ALIGNMENT) for r in chosen)
        rva = align(rva, DATA_ALIGNMENT)
        if page_starts and page_start and pages_spanned(rva, size, page) > pages_spanned(align(rva, page), size, page):
            rva = align(rva, page)
        for r in chosen:
            rva = align(rva, DATA_ALIGNMENT)
            layout.append((r, rva))
            rva += r.size
    return layout, rva


def rewrite(data, order_path):
    """The image with its resource data laid out in the order of the file."""
    image = Executable(data)
    check_in_file(image)
    groups = read_order(order_path)
    section = image.resource_section()
    # How many bytes the section may take in memory: up to the next section; None for the last.
    following = [s.rva for s in image.sections if s.rva > section.rva]
    room = min(following) - section.rva if following else None
    layout, end_rva = plan(image, groups)
    # Where the data ends: the size of the resource table.
    data_size = align(end_rva, DATA_ALIGNMENT) - section.rva
    if room is not None and data_size > room:
        # Another section follows too closely: keep to the room the data had.
        layout, end_rva = plan(image, groups, page_starts=False)
        data_size = align(end_rva, DATA_ALIGNMENT) - section.rva
        if data_size > room:
            raise KitError("the resource data takes %d bytes, but the next section follows %d bytes after the "
                           "start of %s" % (data_size, room, section.name))
        print("order-resources: no room for page starts after %s; groups follow one another" % section.name,
              file=sys.stderr)
    # The section reaches up to the next one, if any.
    virtual_size = room if room is not None else max(section.virtual_size, data_size)
    raw_size = max(section.raw_size, align(data_size, image.file_alignment))

    # The section's file bytes up to its data (the directory), the data in the new order, what follows.
    data_start = min(r.rva for r, _ in layout)
    head = section.raw_offset + data_start - section.rva
    out = bytearray(data[:head])
    body = bytearray(raw_size - (data_start - section.rva))
    for resource, rva in layout:
        body[rva - data_start:rva - data_start + resource.size] = image.resource_bytes(resource)
        struct.pack_into("<I", out, resource.entry_offset, rva)
    out += body + data[section.raw_offset + section.raw_size:]

    grown = raw_size - section.raw_size
    struct.pack_into("<II", out, section.header_offset + 8, virtual_size, section.rva)
    struct.pack_into("<I", out, section.header_offset + 16, raw_size)
    struct.pack_into("<I", out, image.resource_directory_offset + 4, data_size)
    ends = [section.rva + virtual_size]
    for other in image.sections:
        if other is not section:
            ends.append(other.rva + (other.virtual_size or other.raw_size))
            if other.raw_size and other.raw_offset >= section.raw_offset + section.raw_size:
                # after the resource section in the file: on by what it grew
                struct.pack_into("<I", out, other.header_offset + 20, other.raw_offset + grown)
    struct.pack_into("<I", out, image.size_of_image_offset, align(max(ends), image.section_alignment))
    if grown:
        initialized = struct.unpack_from("<I", out, image.size_of_initialized_data_offset)[0]
        struct.pack_into("<I", out, image.size_of_initialized_data_offset, initialized + grown)
    if image.checksum:
        struct.pack_into("<I", out, image.checksum_offset, Executable(out).computed_checksum())
    return bytes(out)


def main(argv):
    check = "--check" in argv
    args = [a for a in argv if a != "--check"]
    if len(args) != 2:
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    order_path, exe = args
    try:
        with open(exe, "rb") as f:
            data = f.read()
        ordered = rewrite(data, order_path)
    except (OSError, KitError) as error:
        print("order-resources: %s: %s" % (exe, error), file=sys.stderr)
        return 2
    if check:
        return 0 if ordered == data else 1
    if ordered != data:
        temporary = exe + ".ordering"
        with open(temporary, "wb") as f:
            f.write(ordered)
        os.chmod(temporary, os.stat(exe).st_mode)
        os.replace(temporary, exe)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
