"""Lays out the resource data of a linked PE image in a given order.

    tools/kit order-resources ORDER_FILE EXE [--check]

GNU ld and windres put resource data by type, then by name, and offer no way to choose. A start of the
launcher reads only some of it (the shown picture set, the icon); with a page-aligned file the loader
reads just the pages a start touches, so data read together should lie together. This step rewrites
only where each resource's data lies inside the resource section: the directory stays the same entry
by entry (only the data entries' RVAs change), every resource keeps its bytes, and the section's
sizes, the image size and the checksum are brought up to date. The order is the same every time, so
two builds stay byte-identical.

Where another section follows the resource section (the launcher's code that only a click runs), that
section keeps its place in memory, which the link gives it with room to spare: the resource data may
grow into that room, the resource section then reaches up to the next section (the loader of Windows
NT refuses a gap between sections), and the sections after it in the file move on by what the data grew.

ORDER_FILE lists the data in file order, in groups:

    [label]         a group; "[label] page" starts it on a fresh page where that makes the group
                    span fewer pages (the group is read on its own, so a page shared with its
                    neighbour would be read for nothing)
    TYPE NAME       a resource (every language of it): TYPE a number, a name such as BITMAP, ICON,
                    GROUP_ICON, VERSION, or a named type such as WAVE; NAME a number, an identifier
                    that resource_ids.h beside ORDER_FILE defines (as the resource script names it),
                    or a resource's own name

Resources the file does not list follow at the end, in directory order. With --check, nothing is
written: the exit code tells whether EXE is already laid out in that order (0) or not (1).

A damaged image (cut short, a section or a resource whose data lies past the end of the file, a
directory that runs into the data) is refused with a message before anything is written.
"""

import os
import struct
import sys

from launcherkit import KitError, identifiers
from launcherkit.pe import RT_NUMBERS, Executable, align, checksum_of

DATA_ALIGNMENT = 8  # what windres gives every resource's data


class OrderError(KitError):
    pass


def parse_key(text):
    return int(text) if text.isdigit() else text


def read_identifiers(order_path):
    """The identifiers of resource_ids.h beside the order file, the names that the resource script gives
    the resources; empty when there is no such header."""
    header = os.path.join(os.path.dirname(os.path.abspath(order_path)), "resource_ids.h")
    return identifiers.read(header) if os.path.exists(header) else {}


def read_order(path):
    """[(label, page, [(type, name), ...])] from the order file."""
    identifiers = read_identifiers(path)
    groups = []
    with open(path) as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            if line.startswith("["):
                label, _, rest = line[1:].partition("]")
                if rest.strip() not in ("", "page"):
                    raise OrderError("%s:%d: after the group only 'page' may follow" % (path, number))
                groups.append((label.strip(), rest.strip() == "page", []))
                continue
            words = line.split()
            if len(words) != 2 or not groups:
                raise OrderError("%s:%d: expected 'TYPE NAME' inside a group" % (path, number))
            type_ = RT_NUMBERS.get(words[0], parse_key(words[0]))
            groups[-1][2].append((type_, identifiers.get(words[1], parse_key(words[1]))))
    return groups


def pages_spanned(offset, size, page):
    return (offset + size - 1) // page - offset // page + 1 if size else 0


def check_in_file(image):
    """Refuses an image whose sections, resource directory or resource data do not lie inside the file
    and the resource section as the headers say; everything the rewrite reads or writes is then there."""
    size = len(image.data)
    for section in image.sections:
        if section.raw_offset + section.raw_size > size:
            raise OrderError("section %s ends at byte %d of a file of %d bytes (cut short?)"
                             % (section.name, section.raw_offset + section.raw_size, size))
    resources = image.resources()
    if not resources:
        raise OrderError("the image has no resource data")
    section = image.resource_section()
    room = section.raw_size
    if image.directory_end > room:
        raise OrderError("the resource directory ends %d bytes into a section of %d" % (image.directory_end, room))
    for r in resources:
        if r.rva < section.rva or r.rva + r.size > section.rva + room:
            raise OrderError("the data of resource %r (RVA 0x%x, %d bytes) does not lie inside section %s "
                             "(RVA 0x%x, %d bytes in the file)" % (r, r.rva, r.size, section.name, section.rva, room))


def plan(image, groups, page_starts=True):
    """[(resource, new RVA)] in file order, and the end RVA of the data. Without page_starts, every
    group follows the one before it, and the data takes exactly the room it took before."""
    resources = image.resources()
    section = image.resource_section()
    data_start = min(r.rva for r in resources)
    if image.directory_end > data_start - section.rva:
        raise OrderError("the resource directory reaches into the resource data")
    page = image.section_alignment
    placed = set()
    sequence = []
    for label, page_start, members in groups:
        chosen = []
        for key in members:
            matches = [r for r in resources if (r.type, r.name) == key]
            if not matches:
                raise OrderError("group [%s] names %s %s, which the image does not have" % (label, *key))
            if any(r.key in placed for r in matches):
                raise OrderError("%s %s is listed twice" % key)
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


def room_in_memory(image, section):
    """How many bytes the section may take in memory: up to the next section; None for the last."""
    following = [s.rva for s in image.sections if s.rva > section.rva]
    return min(following) - section.rva if following else None


def rewrite(data, order_path):
    """The image with its resource data laid out in the order of the file."""
    image = Executable(data)
    check_in_file(image)
    groups = read_order(order_path)
    section = image.resource_section()
    room = room_in_memory(image, section)
    layout, end_rva = plan(image, groups)
    # Where the data ends: the size of the resource table.
    data_size = align(end_rva, DATA_ALIGNMENT) - section.rva
    if room is not None and data_size > room:
        # Another section follows too closely: keep to the room the data had.
        layout, end_rva = plan(image, groups, page_starts=False)
        data_size = align(end_rva, DATA_ALIGNMENT) - section.rva
        if data_size > room:
            raise OrderError("the resource data takes %d bytes, but the next section follows %d bytes after the "
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
        struct.pack_into("<I", out, image.checksum_offset, checksum_of(out))
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
