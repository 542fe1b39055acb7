"""The BMP and ICO writer: a 14-byte file header and a 40-byte BITMAPINFOHEADER, no compression,
bottom-up rows; icon images in BMP form with AND masks. Nothing but the pixels and their tables is
written (no time stamps), so the same pixels always give the same bytes."""

import struct

from PIL import Image

from launcherkit.art.folders import write_file

# Pillow's mode and packing of each depth's pixels: RGB as BGR, 8- and 4-bit indices, the 1-bit AND mask.
RAW_MODES = {24: ("RGB", "BGR"), 8: ("P", "P"), 4: ("P", "P;4"), 1: ("1", "1")}


def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def pack_rows(width, height, bpp, pixels):
    """Scan lines bottom-up, padded to 4 bytes. `pixels` is indices (4/8 bit), RGB bytes (24 bit) or an
    image of mode "1" (the mask), top row first."""
    mode, raw = RAW_MODES[bpp]
    picture = pixels if bpp == 1 else Image.frombytes(mode, (width, height), pixels)
    return picture.tobytes("raw", (raw, row_bytes(width, bpp), -1))


def table_bytes(table):
    return b"".join(bytes((c[2], c[1], c[0], 0)) for c in table) if table else b""


def info_header(width, height, bpp, image_size, clr_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_size, 0, 0, clr_used, 0)


def write_bmp(path, width, height, bpp, table, pixels, clr_used=0):
    """An uncompressed bottom-up BMP; `table` None for 24 bits."""
    body = pack_rows(width, height, bpp, pixels)
    table_data = table_bytes(table)
    offset = 14 + 40 + len(table_data)
    data = (b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset)
            + info_header(width, height, bpp, len(body), clr_used) + table_data + body)
    write_file(path, data)


def icon_image(size, bpp, table, pixels, alpha):
    """One icon image: header (twice the height, for the AND mask), table, colour pixels, AND mask
    (pixels with alpha below 128 are transparent)."""
    transparent = Image.frombytes("L", (size, size), alpha).point(lambda a: 255 if a < 128 else 0, "1")
    mask = pack_rows(size, size, 1, transparent)
    xor = pack_rows(size, size, bpp, pixels)
    return info_header(size, size * 2, bpp, len(xor) + len(mask), 0) + table_bytes(table) + xor + mask


def write_ico(path, images):
    """images: list of (size, bpp, image bytes)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, bpp, data in images:
        colours = 16 if bpp == 4 else 0
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp, len(data), offset)
        blobs += data
        offset += len(data)
    write_file(path, head + entries + blobs)
