"""The checks of a product's resource folder beside the asset check (tools/assetcheck, which holds the
pictures to the rules the launcher draws by): the sounds and the icon held to their forms in the table of
resources, and each 256-colour button's colours held to the 256-colour background's palette.

    tools/kit resource-check FOLDER

Each finding is one line, as the asset check's: `FILE: FIELD is FOUND, required WANTED`; an error stops the
build (exit 1), a warning (`FILE: warning: ...`) does not."""

import os
import struct
import sys

from launcherkit import KitError, resource_table
from launcherkit.resource_files import colour_table_entries

# A sound's length may differ from the required one by this fraction.
DURATION_TOLERANCE = 0.15
FORMAT_TAGS = {1: "1 (PCM)", 2: "2 (Microsoft ADPCM)", 3: "3 (IEEE float)", 0x11: "17 (IMA ADPCM)",
               0xFFFE: "65534 (extensible)"}
COMPRESSIONS = {0: "0 (BI_RGB)", 1: "1 (BI_RLE8)", 2: "2 (BI_RLE4)", 3: "3 (BI_BITFIELDS)", 4: "4 (BI_JPEG)",
                5: "5 (BI_PNG)"}
DIB_HEADER = 40


class Findings:
    """`lines` in the order found ("FILE: TEXT", "FILE: warning: TEXT") and the count of `errors`."""

    def __init__(self):
        self.lines, self.errors = [], 0

    def error(self, name, text):
        self.lines.append("%s: %s" % (name, text))
        self.errors += 1

    def warning(self, name, text):
        self.lines.append("%s: warning: %s" % (name, text))


def quoted(data, at, count):
    """'RIFF': up to `count` bytes from `at`, '?' for each that is not printable."""
    return "'%s'" % "".join(chr(b) if 32 <= b < 127 else "?" for b in data[at:at + count])


def riff_chunks(data, name, findings):
    """({chunk id: (offset of its body, size)}, the first of each id) of a RIFF WAVE file; None, with the
    fault found, for a file that is none or is cut short."""
    if len(data) < 12 or data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        findings.error(name, "file starts with %s %s, required 'RIFF' 'WAVE' (a RIFF WAVE file)"
                       % (quoted(data, 0, 4), quoted(data, 8, 4)))
        return None
    end = 8 + struct.unpack_from("<I", data, 4)[0]
    if end > len(data):
        findings.error(name, "RIFF size says %d bytes, the file has %d (truncated)" % (end, len(data)))
        return None
    if end < len(data):
        # Playing reads the RIFF chunk alone, as drawing a bitmap reads its rows alone: what follows is
        # compiled into the launcher for nothing, as a bitmap's trailing bytes are.
        findings.warning(name, "%d bytes follow the RIFF chunk and are stored for nothing" % (len(data) - end))
    chunks, at = {}, 12
    while at + 8 <= end:
        kind, size = data[at:at + 4].decode("latin-1"), struct.unpack_from("<I", data, at + 4)[0]
        if at + 8 + size > end:
            findings.error(name, "chunk '%s' says %d bytes, only %d follow (truncated)" % (kind, size, end - at - 8))
            return None
        chunks.setdefault(kind, (at + 8, size))
        at += 8 + size + (size & 1)
    return chunks


def wave_chunks(data):
    """{chunk id: body} of a whole RIFF WAVE file; ValueError, naming the fault, for any other."""
    findings = Findings()
    chunks = riff_chunks(data, "the file", findings)
    if chunks is None:
        raise ValueError(findings.lines[-1])
    return {kind.encode("latin-1"): data[at:at + size] for kind, (at, size) in chunks.items()}


def check_wave(entry, name, data, findings):
    form = entry.form
    tag_wanted = resource_table.WAVE_FORMATS[form["format"]]
    wanted = {key: int(form[key]) for key in ("channels", "rate", "bits", "align")}
    fact_wanted = int(form.get("samples", 0))
    seconds_wanted = fact_wanted / wanted["rate"] if fact_wanted else float(form["seconds"])
    chunks = riff_chunks(data, name, findings)
    if chunks is None:
        return
    fmt, fmt_size = chunks.get("fmt ", (0, 0))
    if fmt_size < 16:
        findings.error(name, "'fmt ' chunk is %d bytes, required at least 16" % fmt_size if "fmt " in chunks
                       else "no 'fmt ' chunk")
        return
    tag, channels, rate, _, align, bits = struct.unpack_from("<HHIIHH", data, fmt)
    before = findings.errors
    if tag != tag_wanted:
        findings.error(name, "format tag is %s, required %s" % (FORMAT_TAGS.get(tag, tag), FORMAT_TAGS[tag_wanted]))
    for what, found, key, unit in (("channels", channels, "channels", ""), ("sample rate", rate, "rate", " Hz"),
                                   ("bits per sample", bits, "bits", ""), ("block align", align, "align", "")):
        if found != wanted[key]:
            findings.error(name, "%s is %d%s, required %d%s" % (what, found, unit, wanted[key], unit))
    per_block = 1
    if tag_wanted == 2 and findings.errors == before:
        # Microsoft ADPCM: a block holds a header of 7 bytes per channel (two samples) and then two
        # samples per byte and channel.
        want = (wanted["align"] - 7 * wanted["channels"]) * 8 // (wanted["bits"] * wanted["channels"]) + 2
        extra = fmt_size >= 22 and struct.unpack_from("<H", data, fmt + 16)[0] >= 2
        per_block = struct.unpack_from("<H", data, fmt + 18)[0] if extra else 0
        if per_block != want:
            findings.error(name, "samples per block is %d, required %d" % (per_block, want))
    fact, fact_size = chunks.get("fact", (0, 0))
    if fact_wanted:
        if fact_size < 4:
            findings.error(name, "no 'fact' chunk, required one stating %d samples" % fact_wanted)
        elif struct.unpack_from("<I", data, fact)[0] != fact_wanted:
            findings.error(name, "'fact' sample count is %d, required %d"
                           % (struct.unpack_from("<I", data, fact)[0], fact_wanted))
    if "data" not in chunks:
        findings.error(name, "no 'data' chunk")
        return
    if findings.errors != before or align == 0 or rate == 0:
        return
    size = chunks["data"][1]
    blocks = -(-size // align)
    samples = blocks * per_block
    if abs(samples / rate - seconds_wanted) > seconds_wanted * DURATION_TOLERANCE:
        findings.error(name, "'data' chunk of %d bytes lasts %.2f s, required about %.2f s"
                       % (size, samples / rate, seconds_wanted))
    if fact_wanted and fact_size >= 4 and (fact_wanted > samples or fact_wanted + per_block <= samples):
        findings.error(name, "'data' chunk holds %d blocks (%d samples), which does not fit the 'fact' count of %d"
                       % (blocks, samples, fact_wanted))


def icon_image_fault(data, i, width, height):
    """What is wrong with the icon file's image `i` of that size, or (width, bits per pixel) when nothing is."""
    directory_bits, size, offset = struct.unpack_from("<HII", data, 12 + 16 * i)
    image = "image %d (%dx%d)" % (i + 1, width, height)
    if offset + size > len(data) or size < DIB_HEADER:
        return "%s lies outside the file (%d bytes at %d)" % (image, size, offset)
    if data[offset:offset + 4] == b"\x89PNG":
        return image + " is a PNG image, required a BMP-format image with an AND mask"
    header_size, w, h, _, bits, compression = struct.unpack_from("<IiiHHI", data, offset)
    if header_size != DIB_HEADER or compression != 0:
        return "%s has a header of %d bytes, compression %s, required 40 bytes, 0 (BI_RGB)" % (
            image, header_size, COMPRESSIONS.get(compression, compression))
    if (w, h) != (width, 2 * height):
        return "%s header says %dx%d, required %dx%d (colour image and AND mask)" % (image, w, h, width, 2 * height)
    if directory_bits not in (0, bits):
        return "%s: the directory says %d bits per pixel, its header %d" % (image, directory_bits, bits)
    need = DIB_HEADER + 4 * colour_table_entries(data[offset:offset + DIB_HEADER]) + height * (
        (width * bits + 31) // 32 * 4 + (width + 31) // 32 * 4)
    if size < need:
        return "%s at %d bits per pixel is %d bytes, required %d (header, colours, image and AND mask)" % (
            image, bits, size, need)
    return width, bits


def check_icon(entry, name, data, findings):
    """Every image in BMP form with its AND mask, whole inside the file; every required one there."""
    if len(data) < 6 or struct.unpack_from("<HH", data, 0) != (0, 1):
        findings.error(name, "not an icon file: required the 6-byte header 0, 1 (icon), image count")
        return
    count = struct.unpack_from("<H", data, 4)[0]
    if len(data) < 6 + 16 * count:
        findings.error(name, "file is %d bytes, too short for its directory of %d images" % (len(data), count))
        return
    found = [icon_image_fault(data, i, data[6 + 16 * i] or 256, data[7 + 16 * i] or 256) for i in range(count)]
    for fault in found:
        if isinstance(fault, str):
            findings.error(name, fault)
    for size, bits in (map(int, image.split("x")) for image in entry.form["images"].split(",")):
        if (size, bits) not in found:
            findings.error(name, "icon image %dx%d at %d bits per pixel is missing" % (size, size, bits))


def open_8bit(data):
    """(colour table as [0xRRGGBB], pixel rows bottom-up) of an 8-bit bottom-up picture whose table and rows
    lie inside the file; None for any other (the asset check reports those)."""
    if len(data) < 14 + DIB_HEADER or data[:2] != b"BM":
        return None
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    entries = colour_table_entries(data[14:14 + DIB_HEADER])
    row = (width * 8 + 31) // 32 * 4
    start = 14 + DIB_HEADER + 4 * entries
    if bits != 8 or width <= 0 or height <= 0 or start + row * height > len(data):
        return None
    table = [int.from_bytes(data[14 + DIB_HEADER + 4 * i:17 + DIB_HEADER + 4 * i], "little") for i in range(entries)]
    return table, [data[start + y * row:start + y * row + width] for y in range(height)]


def check_palette_use(table, button, name, data, background_name, background, findings):
    """Warns of a 256-colour button's colours that the background's palette (for a shared table, the
    shared part of it) lacks: the launcher draws every picture through that palette."""
    picture = open_8bit(data)
    if picture is None:
        return
    colours, rows = picture
    palette = background[0]
    if button.form["colours"] == "shared":
        palette = palette[table.shared_first:table.shared_first + table.shared_count]
    used = sorted(set(b for row in rows for b in row if b < len(colours)))
    missing = ["#%06X (table entry %d)" % (colours[i], i) for i in used if colours[i] not in set(palette)]
    if not missing:
        return
    listed = ", ".join(missing[:4]) + (" and %d more" % (len(missing) - 4) if len(missing) > 4 else "")
    where = "the palette of " + background_name
    if button.form["colours"] == "shared":
        where = "entries %d..%d of %s" % (table.shared_first, table.shared_first + table.shared_count - 1, where)
    one = len(missing) == 1
    findings.warning(name, "uses %d colour%s that %s lack%s: %s"
                     % (len(missing), "" if one else "s", where, "s" if one else "", listed))


def check_folder(folder):
    """(Findings, files checked) of the sounds, the icon and the 256-colour buttons' colours in `folder`."""
    table = resource_table.read()
    findings, checked = Findings(), 0
    pictures = {}
    for entry in table.entries:
        name = os.path.join(folder, entry.path)
        try:
            with open(name, "rb") as f:
                data = f.read()
        except OSError:
            if entry.kind != "BITMAP":  # the asset check reports a missing picture
                findings.error(name, "cannot read the file (missing, or not a file), required for %s %d (%s)"
                               % (entry.kind, entry.id, entry.name))
            continue
        if entry.kind == "BITMAP":
            pictures[entry.name] = (entry, name, data)
            continue
        checked += 1
        (check_wave if entry.kind == "WAVE" else check_icon)(entry, name, data, findings)
    sources = [p for p in pictures.values() if p[0].form["colours"] == "palette"]
    background = open_8bit(sources[0][2]) if sources else None
    if background:
        for entry, name, data in pictures.values():
            if entry.bits_per_pixel == 8 and entry.form["colours"] in ("whole", "shared"):
                check_palette_use(table, entry, name, data, sources[0][1], background, findings)
    return findings, checked


def main(argv):
    if len(argv) != 1:
        print("usage: tools/kit resource-check FOLDER\n  checks the sounds, the icon and the 256-colour buttons' "
              "colours in a product's resource folder", file=sys.stderr)
        return 2
    folder = argv[0].rstrip("/") or "/"
    try:
        findings, checked = check_folder(folder)
    except KitError as error:
        print("resource-check: %s" % error, file=sys.stderr)
        return 1
    for line in findings.lines:
        print(line, file=sys.stderr)
    warnings = len(findings.lines) - findings.errors
    if findings.errors:
        print("resource-check: %d error(s), %d warning(s) in the files of %s" % (findings.errors, warnings, folder),
              file=sys.stderr)
        return 1
    print("resource-check: %d files in %s have their required forms, and the 256-colour buttons' colours were "
          "held to the palette (%d warning(s))" % (checked, folder, warnings))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
