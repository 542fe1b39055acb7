"""Reading a Windows executable (headers, sections, imports, resources, version block) through Debian's
pefile, adding what pefile does not give: where the resource directory's own tables end, and the file
offsets of the header fields that order_resources rewrites."""

import pefile

from launcherkit import KitError

RT_NUMBERS = {name[3:]: number for name, number in pefile.RESOURCE_TYPE.items() if isinstance(name, str)}
RT_NAMES = {number: name for name, number in RT_NUMBERS.items()}
MACHINE_I386 = 0x14C
MACHINE_AMD64 = 0x8664


class PeError(KitError):
    """The file is not a Windows executable the kit can read."""


# What pefile finds in the files most often taken for a program by mistake, said as the kit says it; any
# other fault keeps pefile's words.
NO_PROGRAM = "a file that is no Windows program (%s)"
DOS_OR_DAMAGED = "a DOS program or a damaged one (it begins with MZ, but %s)"
PEFILE_FAULTS = {
    "Unable to read the DOS Header, possibly a truncated file.": NO_PROGRAM % "it is shorter than 64 bytes",
    "DOS Header magic not found.": NO_PROGRAM % "it does not begin with MZ",
    "Invalid e_lfanew value, probably not a PE file": DOS_OR_DAMAGED % "the PE header it names lies past its end",
    "NT Headers not found.": DOS_OR_DAMAGED % "holds no PE header where it names one",
    "Invalid NT Headers signature.": DOS_OR_DAMAGED % "holds no PE header where it names one",
}


class Section:
    def __init__(self, section):
        self.name = section.Name.rstrip(b"\0").decode("ascii", "replace")
        self.virtual_size = section.Misc_VirtualSize
        self.rva = section.VirtualAddress
        self.raw_size = section.SizeOfRawData
        self.raw_offset = section.PointerToRawData
        self.header_offset = section.get_file_offset()
        self.characteristics = section.Characteristics


class Resource:
    """One leaf of the resource directory; `entry_offset` is the file offset of its data entry."""

    def __init__(self, type_, name, language, rva, size, entry_offset):
        self.type, self.name, self.language = type_, name, language
        self.rva, self.size, self.entry_offset = rva, size, entry_offset

    @property
    def key(self):
        return (self.type, self.name, self.language)

    def __repr__(self):
        return "%s %s %s" % (type_label(self.type), self.name, self.language)


def type_label(type_):
    return RT_NAMES.get(type_, str(type_)) if isinstance(type_, int) else type_


class VersionBlock:
    """The version resource: the fixed part's numbers, the string table (`language` "040704b0", `texts`) and
    the (language, code page) pairs of its Translation value."""

    def __init__(self, fixed, table, translations):
        def numbers(ms, ls):
            return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

        self.file_version = numbers(fixed.FileVersionMS, fixed.FileVersionLS)
        self.product_version = numbers(fixed.ProductVersionMS, fixed.ProductVersionLS)
        self.file_os, self.file_type = fixed.FileOS, fixed.FileType
        self.language = table.LangID.decode("ascii") if table is not None else None
        self.translations = translations
        self.texts = {} if table is None else {
            key.decode("utf-8"): value.decode("utf-8") for key, value in table.entries.items()}


class Executable:
    """A PE32 or PE32+ image held in memory (`data`)."""

    def __init__(self, data):
        self.data = bytes(data)
        try:
            self.pe = pefile.PE(data=self.data, fast_load=True)
        except pefile.PEFormatError as error:
            fault = PEFILE_FAULTS.get(error.value, "no Windows program the kit reads (pefile: %s)" % error.value)
            raise PeError(fault) from None
        header = self.pe.OPTIONAL_HEADER
        self.machine = self.pe.FILE_HEADER.Machine
        self.time_stamp = self.pe.FILE_HEADER.TimeDateStamp
        self.subsystem = header.Subsystem
        self.subsystem_version = (header.MajorSubsystemVersion, header.MinorSubsystemVersion)
        self.os_version = (header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion)
        self.dll_characteristics = header.DllCharacteristics
        self.section_alignment, self.file_alignment = header.SectionAlignment, header.FileAlignment
        self.size_of_image, self.size_of_headers = header.SizeOfImage, header.SizeOfHeaders
        self.checksum = header.CheckSum
        self.sections = [Section(s) for s in self.pe.sections]
        optional = header.get_file_offset()
        # Offsets of the header fields that a rewrite of the resource section changes.
        self.size_of_initialized_data_offset = optional + 8
        self.size_of_image_offset = optional + 56
        self.checksum_offset = optional + 64
        resources = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]]
        self.resource_directory_offset = resources.get_file_offset()
        self.resource_rva, self.resource_size = resources.VirtualAddress, resources.Size
        # The certificate table (an Authenticode signature), outside every section: its directory entry
        # holds a file offset, not an RVA. (0, 0) in an image that is not signed.
        security = header.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
        self.certificate_table = (security.VirtualAddress, security.Size)
        # Where the headers' content ends: the section table.
        self.headers_end = self.pe.sections[-1].get_file_offset() + 40 if self.pe.sections else optional
        self._resources = None
        self.directory_end = 0

    @classmethod
    def open(cls, path):
        with open(path, "rb") as f:
            return cls(f.read())

    def section_of(self, rva):
        for section in self.sections:
            if section.rva <= rva < section.rva + max(section.virtual_size, section.raw_size):
                return section
        raise PeError("RVA 0x%x lies in no section" % rva)

    def sections_end(self):
        return max((s.raw_offset + s.raw_size for s in self.sections), default=self.size_of_headers)

    def file_offset(self, rva):
        section = self.section_of(rva)
        return section.raw_offset + rva - section.rva

    def imports(self):
        """{library name in capitals: {function names}} of the import table."""
        self.pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
        table = {}
        for library in getattr(self.pe, "DIRECTORY_ENTRY_IMPORT", []):
            names = table.setdefault(library.dll.decode("ascii").upper(), set())
            names.update(i.name.decode("ascii") if i.name else "#%d" % i.ordinal for i in library.imports)
        return table

    def has_thread_local_storage(self):
        tls = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_TLS"]]
        return tls.VirtualAddress != 0 or any(s.name == ".tls" for s in self.sections)

    def resource_section(self):
        if not self.resource_rva:
            raise PeError("the image has no resources")
        section = self.section_of(self.resource_rva)
        if section.rva != self.resource_rva:
            raise PeError("the resource directory does not start its section %s" % section.name)
        return section

    def resources(self):
        """Every resource, in directory order; also sets `directory_end`, where from the section's start the
        directory's tables, names and data entries end."""
        if self._resources is not None:
            return self._resources
        base = self.resource_section().raw_offset
        self.pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        root = getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None)
        if root is None:
            raise PeError("the resource directory cannot be read")
        ends, found = [], []

        def walk(directory, labels):
            ends.append(directory.struct.get_file_offset() + 16 + 8 * len(directory.entries) - base)
            for entry in directory.entries:
                if entry.name is not None:
                    ends.append(entry.struct.NameOffset + 2 + 2 * len(str(entry.name)))
                if len(labels) < 2:
                    if not hasattr(entry, "directory"):
                        raise PeError("resource data entry above the language level")
                    walk(entry.directory, labels + [entry.id if entry.name is None else str(entry.name)])
                elif not hasattr(entry, "data"):
                    raise PeError("resource directory deeper than type, name, language")
                else:
                    data = entry.data.struct
                    ends.append(data.get_file_offset() + 16 - base)
                    found.append(Resource(*labels, entry.id, data.OffsetToData, data.Size, data.get_file_offset()))

        walk(root, [])
        self.directory_end = max(ends)
        self._resources = found
        return found

    def resource_bytes(self, resource):
        offset = self.file_offset(resource.rva)
        if offset + resource.size > len(self.data):
            raise PeError("resource %r reaches past the end of the file" % resource)
        return self.data[offset:offset + resource.size]

    def resource(self, type_, name):
        """The bytes of the first resource of that type and name (any language); None if there is none."""
        type_ = RT_NUMBERS.get(type_, type_)
        for r in self.resources():
            if (r.type, r.name) == (type_, name):
                return self.resource_bytes(r)
        return None

    def version_block(self):
        """The version resource as a VersionBlock (pefile reads it with the resource directory), or None."""
        self.resources()
        if not hasattr(self.pe, "VS_FIXEDFILEINFO"):
            return None
        table = None
        translations = []
        for info in getattr(self.pe, "FileInfo", [[]])[0]:
            if getattr(info, "Key", b"") == b"StringFileInfo" and info.StringTable:
                table = info.StringTable[0]
            # pefile gives a Translation as "0x0407 0x04b0" (of several pairs, the last).
            for var in getattr(info, "Var", []):
                words = var.entry.get(b"Translation", "").split()
                translations += [(int(words[i], 16), int(words[i + 1], 16)) for i in range(0, len(words) - 1, 2)]
        return VersionBlock(self.pe.VS_FIXEDFILEINFO[0], table, translations)

    def computed_checksum(self):
        return self.pe.generate_checksum()

    def checksum_valid(self):
        return self.checksum == self.computed_checksum()


def align(value, boundary):
    return (value + boundary - 1) // boundary * boundary
