"""Where the bytes of the launcher go, as a Markdown table.

    tools/kit size-report [EXE]        EXE defaults to build/windows/LAUNCH.EXE

The executable is split into its headers (DOS stub, PE header, section table), its code (the sections
marked as code: .text, and .actions, the code that only a click runs), its other sections, its resources
(the resource section as far as its data goes), the padding that rounds each of them up to the file
alignment, and anything past the last section (a signature, say). Below the table, the floor: the pictures,
sounds and icon as stored in the resources (a bitmap is its file without the 14-byte file header; an icon's
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


def markdown(image, name):
    """The report on `image` (an Executable), which the file `name` holds."""
    in_file = [s for s in image.sections if s.raw_size]
    total = len(image.data)
    code = [s for s in in_file if s.characteristics & IMAGE_SCN_CNT_CODE]
    # The resource section may reach on in memory up to the next section (the step that lays out its data
    # leaves no gap there): its data ends where the resource table's size says.
    resource_sections = [image.resource_section()] if image.resource_rva else []
    others = [s for s in in_file if s not in code + resource_sections]
    end = max([image.size_of_headers] + [s.raw_offset + s.raw_size for s in in_file])
    trailing = max(0, total - end)
    parts = [("Headers (DOS stub, PE header, section table)", image.headers_end),
             ("Code (%s)" % (", ".join(s.name for s in code) or "none"), sum(map(content_size, code))),
             ("Other sections (%s)" % (", ".join(s.name for s in others) or "none"), sum(map(content_size, others))),
             ("Resources (.rsrc)", sum(min(image.resource_size, content_size(s)) for s in resource_sections))]
    padding = total - trailing - sum(size for _, size in parts)
    parts.append(("Alignment padding (each part rounded up to the file alignment)", padding))
    parts += [("Past the last section", trailing)] if trailing else []
    resources = image.resources() if image.resource_rva else []
    floor = [(label, sum(r.size for r in resources if r.type in types)) for label, types in FLOOR_KINDS]

    lines = ["Size of `%s`: %d bytes (file alignment %d)" % (name, total, image.file_alignment), "",
             "| Part | Bytes | Share |", "| --- | ---: | ---: |"]
    lines += ["| %s | %d | %.1f %% |" % (label, value, 100.0 * value / total if total else 0)
              for label, value in parts + [("**Total**", total)]]
    lines += ["", "| Floor: pictures, sounds and icon as stored | Bytes |", "| --- | ---: |"]
    lines += ["| %s | %d |" % (label, size) for label, size in floor]
    lines += ["| **Sum** | %d |" % sum(size for _, size in floor),
              "| .rsrc content beyond them (directory, version resource, room between the data) | %d |"
              % (parts[3][1] - sum(size for _, size in floor))]
    return "\n".join(lines)


def main(argv):
    if len(argv) > 1 or argv[:1] in (["-h"], ["--help"]):
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    exe = argv[0] if argv else DEFAULT_EXE
    try:
        report = markdown(Executable.open(exe), os.path.basename(exe))
    except FileNotFoundError:
        print("size-report: '%s' does not exist (build it: cmake --workflow --preset windows)" % exe, file=sys.stderr)
        return 1
    except (OSError, PeError) as error:
        print("size-report: '%s' is not a Windows executable the kit reads: %s" % (exe, error), file=sys.stderr)
        return 1
    print(report)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
