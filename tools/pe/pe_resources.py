"""Reading a PE image's resource section: the section table, the resource directory tree and where
each resource's data lies. Python standard library only; used by order_resources.py and the checks.

    image = PeImage(data)
    for resource in image.resources():      # in directory order
        resource.key, resource.rva, resource.size, image.resource_bytes(resource)
"""

import struct

RT_NAMES = {1: "CURSOR", 2: "BITMAP", 3: "ICON", 4: "MENU", 5: "DIALOG", 6: "STRING", 9: "ACCELERATOR",
            10: "RCDATA", 12: "GROUP_CURSOR", 14: "GROUP_ICON", 16: "VERSION", 24: "MANIFEST"}
RT_NUMBERS = {name: number for number, name in RT_NAMES.items()}
RESOURCE_DIRECTORY_ENTRY = 2


class PeError(Exception):
    pass


class Section:
    def __init__(self, data, header_offset):
        self.header_offset = header_offset
        self.name = data[header_offset:header_offset + 8].rstrip(b"\0").decode("ascii", "replace")
        (self.virtual_size, self.rva, self.raw_size, self.raw_offset) = struct.unpack_from(
            "<IIII", data, header_offset + 8)

    def contains_rva(self, rva):
        return self.rva <= rva < self.rva + max(self.virtual_size, self.raw_size)


class Resource:
    """One leaf of the directory: type, name and language (numbers, or strings for named entries), its
    data entry's offset in the section, and where its data lies (RVA, size)."""

    def __init__(self, type_, name, language, entry_offset, rva, size):
        self.type, self.name, self.language = type_, name, language
        self.entry_offset, self.rva, self.size = entry_offset, rva, size

    @property
    def key(self):
        return (self.type, self.name, self.language)

    def __repr__(self):
        return "%s %s %s" % (type_label(self.type), self.name, self.language)


def type_label(type_):
    return RT_NAMES.get(type_, str(type_)) if isinstance(type_, int) else type_


class PeImage:
    """The headers of a PE32 or PE32+ image held in `data` (bytes or bytearray)."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        self.pe_offset = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe_offset:self.pe_offset + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        coff = self.pe_offset + 4
        self.section_count = struct.unpack_from("<H", data, coff + 2)[0]
        optional_size = struct.unpack_from("<H", data, coff + 16)[0]
        self.optional = coff + 20
        magic = struct.unpack_from("<H", data, self.optional)[0]
        if magic not in (0x10B, 0x20B):
            raise PeError("unknown optional header magic 0x%x" % magic)
        self.pe32_plus = magic == 0x20B
        self.section_alignment, self.file_alignment = struct.unpack_from("<II", data, self.optional + 32)
        self.size_of_image, self.size_of_headers, self.checksum = struct.unpack_from("<III", data, self.optional + 56)
        directories = self.optional + (112 if self.pe32_plus else 96)
        self.resource_directory_offset = directories + 8 * RESOURCE_DIRECTORY_ENTRY
        self.resource_rva, self.resource_size = struct.unpack_from("<II", data, self.resource_directory_offset)
        table = self.optional + optional_size
        self.sections = [Section(data, table + 40 * i) for i in range(self.section_count)]

    # Offsets of header fields that a rewrite of the resource section may change.
    @property
    def size_of_initialized_data_offset(self):
        return self.optional + 8

    @property
    def size_of_image_offset(self):
        return self.optional + 56

    @property
    def checksum_offset(self):
        return self.optional + 64

    def section_of(self, rva):
        for section in self.sections:
            if section.contains_rva(rva):
                return section
        raise PeError("RVA 0x%x lies in no section" % rva)

    def resource_section(self):
        if not self.resource_rva:
            raise PeError("the image has no resources")
        section = self.section_of(self.resource_rva)
        if section.rva != self.resource_rva:
            raise PeError("the resource directory does not start its section %s" % section.name)
        return section

    def file_offset(self, rva):
        section = self.section_of(rva)
        return section.raw_offset + rva - section.rva

    def resources(self):
        """Every resource, in directory order (types, then names, then languages)."""
        section = self.resource_section()
        base = section.raw_offset
        found = []
        self.directory_end = 0  # the end of the directory's tables, strings and data entries in the section

        def note(end):
            self.directory_end = max(self.directory_end, end)

        def entry_id(value):
            if value & 0x80000000:
                offset = value & 0x7FFFFFFF
                length = struct.unpack_from("<H", self.data, base + offset)[0]
                note(offset + 2 + 2 * length)
                return bytes(self.data[base + offset + 2:base + offset + 2 + 2 * length]).decode("utf-16-le")
            return value

        def walk(offset, path, level):
            named, numbered = struct.unpack_from("<HH", self.data, base + offset + 12)
            note(offset + 16 + 8 * (named + numbered))
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                here = path + [entry_id(name)]
                if target & 0x80000000:
                    if level >= 2:
                        raise PeError("resource directory deeper than type, name, language")
                    walk(target & 0x7FFFFFFF, here, level + 1)
                else:
                    if level != 2:
                        raise PeError("resource data entry above the language level at %s" % here)
                    rva, size = struct.unpack_from("<II", self.data, base + target)
                    note(target + 16)
                    found.append(Resource(here[0], here[1], here[2], target, rva, size))

        walk(0, [], 0)
        return found

    def resource_bytes(self, resource):
        offset = self.file_offset(resource.rva)
        return bytes(self.data[offset:offset + resource.size])


def pe_checksum(data, checksum_offset):
    """The PE image checksum: the file's 16-bit words (the checksum field as 0) added with end-around
    carry, plus the file's length."""
    padded = bytes(data) + (b"\0" if len(data) % 2 else b"")
    words = struct.unpack("<%dH" % (len(padded) // 2), padded)
    total = sum(words) - sum(words[checksum_offset // 2:checksum_offset // 2 + 2])
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def align(value, boundary):
    return (value + boundary - 1) // boundary * boundary
