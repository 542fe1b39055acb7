"""Where the bytes of the launcher go, as a Markdown table.

    tools/kit size-report [EXE]        EXE defaults to build/windows/LAUNCH.EXE

The executable is split into its headers (DOS stub, PE header, section table), its code (the sections
marked as code: .text, and .actions, the code that only a click runs), its other sections, its resources
(the resource section as far as its data goes), the padding that rounds each of them up to the file
alignment, and anything past the last section (a signature, say). Below the table, the floor: the pictures, sounds
and icon as stored in the resources (a bitmap is its file without the 14-byte file header; an icon's
images whole, its directory as the icon group). What .rsrc holds beyond that floor is the resource
directory, the version resource and the room between the data.
"""

import os
import sys

from launcherkit import SOURCE_DIR
from launcherkit.pe import RT_NUMBERS, Executable, PeError

DEFAULT_EXE = os.path.join(SOURCE_DIR, "build", "windows", "LAUNCH.EXE")
FLOOR_KINDS = (("Bitmaps (file size less the 14-byte file header)", (RT_NUMBERS["BITMAP"],)),
               ("Icon (images and icon group)", (RT_NUMBERS["ICON"], RT_NUMBERS["GROUP_ICON"])),
               ("Sounds (whole files)", ("WAVE",)))


IMAGE_SCN_CNT_CODE = 0x20


def content_size(section):
    """What a section holds in the file, without the padding to the file alignment."""
    return min(section.virtual_size, section.raw_size) if section.virtual_size else section.raw_size


class SizeReport:
    """The parts of an executable, in bytes: `headers`, `code` (with `code_names`), `other` (with
    `other_names`), `resources`, `padding`, `trailing`, `total`; and the `floor` by kind of resource."""

    def __init__(self, image):
        in_file = [s for s in image.sections if s.raw_size]
        self.total = len(image.data)
        self.headers = image.headers_end
        code = [s for s in in_file if s.characteristics & IMAGE_SCN_CNT_CODE]
        self.code = sum(content_size(s) for s in code)
        self.code_names = [s.name for s in code]
        # The resource section may reach on in memory up to the next section (the step that lays out its
        # data leaves no gap there): its data ends where the resource table's size says.
        resource_sections = [image.resource_section()] if image.resource_rva else []
        self.resources = sum(min(image.resource_size, content_size(s)) for s in resource_sections)
        others = [s for s in in_file if s not in code + resource_sections]
        self.other = sum(content_size(s) for s in others)
        self.other_names = [s.name for s in others]
        end = max([image.size_of_headers] + [s.raw_offset + s.raw_size for s in in_file])
        self.trailing = max(0, self.total - end)
        self.padding = self.total - self.trailing - self.headers - self.code - self.other - self.resources
        self.file_alignment = image.file_alignment
        resources = image.resources() if image.resource_rva else []
        self.floor = [(label, sum(r.size for r in resources if r.type in types)) for label, types in FLOOR_KINDS]

    def markdown(self, name):
        def row(label, value):
            return "| %s | %d | %.1f %% |" % (label, value, 100.0 * value / self.total if self.total else 0)

        lines = ["Size of `%s`: %d bytes (file alignment %d)" % (name, self.total, self.file_alignment), "",
                 "| Part | Bytes | Share |", "| --- | ---: | ---: |",
                 row("Headers (DOS stub, PE header, section table)", self.headers),
                 row("Code (%s)" % (", ".join(self.code_names) or "none"), self.code),
                 row("Other sections (%s)" % (", ".join(self.other_names) or "none"), self.other),
                 row("Resources (.rsrc)", self.resources),
                 row("Alignment padding (each part rounded up to the file alignment)", self.padding)]
        if self.trailing:
            lines.append(row("Past the last section", self.trailing))
        lines.append(row("**Total**", self.total))
        floor = sum(size for _, size in self.floor)
        lines += ["", "| Floor: pictures, sounds and icon as stored | Bytes |", "| --- | ---: |"]
        lines += ["| %s | %d |" % (label, size) for label, size in self.floor]
        lines += ["| **Sum** | %d |" % floor,
                  "| .rsrc content beyond them (directory, version resource, room between the data) | %d |"
                  % (self.resources - floor)]
        return "\n".join(lines)


def main(argv):
    if len(argv) > 1 or argv[:1] in (["-h"], ["--help"]):
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    exe = argv[0] if argv else DEFAULT_EXE
    try:
        report = SizeReport(Executable.open(exe))
    except FileNotFoundError:
        print("size-report: '%s' does not exist (build it: cmake --workflow --preset windows)" % exe, file=sys.stderr)
        return 1
    except (OSError, PeError) as error:
        print("size-report: '%s' is not a Windows executable the kit reads: %s" % (exe, error), file=sys.stderr)
        return 1
    print(report.markdown(os.path.basename(exe)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
