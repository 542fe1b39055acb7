"""The BMP and ICO writer: 40-byte headers, no compression, bottom-up rows, icon images in BMP form with AND
masks, and nothing else (no time stamps): the same pixels always give the same bytes."""

import struct

from PIL import Image

from launcherkit import write_if_changed

# Pillow's mode and packing of each depth's pixels: RGB as BGR, 8- and 4-bit indices, the 1-bit AND mask.
RAW_MODES = {24: ("RGB", "BGR"), 8: ("P", "P"), 4: ("P", "P;4"), 1: ("1", "1")}


def pack_rows(width, height, bpp, pixels):
    """Scan lines bottom-up, padded to 4 bytes, of indices, RGB bytes or a mode "1" image, top row first."""
    mode, raw = RAW_MODES[bpp]
    picture = pixels if bpp == 1 else Image.frombytes(mode, (width, height), pixels)
    return picture.tobytes("raw", (raw, (width * bpp + 31) // 32 * 4, -1))


def header_and_table(width, height, bpp, image_size, table, clr_used=0):
    return (struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_size, 0, 0, clr_used, 0)
            + b"".join(bytes((c[2], c[1], c[0], 0)) for c in table or ()))


def write_bmp(path, width, height, bpp, table, pixels, clr_used=0):
    """An uncompressed bottom-up BMP; `table` None for 24 bits."""
    body = pack_rows(width, height, bpp, pixels)
    head = header_and_table(width, height, bpp, len(body), table, clr_used)
    write_if_changed(path, b"BM" + struct.pack("<IHHI", 14 + len(head) + len(body), 0, 0, 14 + len(head)) + head + body)


def icon_image(size, bpp, table, pixels, alpha):
    """One icon image: header (twice the height), table, pixels, AND mask (transparent: alpha below 128)."""
    transparent = Image.frombytes("L", (size, size), alpha).point(lambda a: 255 if a < 128 else 0, "1")
    pixels = pack_rows(size, size, bpp, pixels) + pack_rows(size, size, 1, transparent)
    return header_and_table(size, size * 2, bpp, len(pixels), table) + pixels


def write_ico(path, images):
    """images: list of (size, bpp, image bytes)."""
    entries, offset = struct.pack("<HHH", 0, 1, len(images)), 6 + 16 * len(images)
    for size, bpp, data in images:
        entries += struct.pack("<BBBBHHII", size, size, 16 if bpp == 4 else 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    write_if_changed(path, entries + b"".join(data for _, _, data in images))
