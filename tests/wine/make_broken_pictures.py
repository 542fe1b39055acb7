#!/usr/bin/env python3
"""Writes the deliberately broken bitmap files that the Windows test program compiles in, and the
resource script naming them: OUT_DIR."""
import pathlib
import struct
import sys

out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)


def bmp(name, info, table, pixels):
    body = info + table + pixels
    header = struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 14 + len(info) + len(table))
    (out / name).write_bytes(header + body)


def info40(width, height, bits, compression=0, clr_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, 0, 0, 0, clr_used, 0)


grey = bytes([128, 128, 128, 0]) * 256
# 8-bit run-length encoded: two rows of four pixels, end of bitmap.
bmp("rle8.bmp", info40(4, 2, 8, compression=1), grey, bytes([4, 1, 0, 0, 4, 2, 0, 1]))
# Declares 40 rows of 92 bytes but holds only one.
bmp("truncated.bmp", info40(90, 40, 8), grey, bytes(92))
# A colour table of 16384 entries (only four actually present).
bmp("hugetable.bmp", info40(4, 1, 8, clr_used=16384), bytes(16), bytes(4))
# The old 12-byte core header.
core = struct.pack("<IHHHH", 12, 4, 1, 1, 8)
bmp("coreheader.bmp", core, bytes([64, 64, 64]) * 256, bytes(4))

(out / "broken_pictures.rc").write_text(
    "901 BITMAP \"rle8.bmp\"\n"
    "902 BITMAP \"truncated.bmp\"\n"
    "903 BITMAP \"hugetable.bmp\"\n"
    "904 BITMAP \"coreheader.bmp\"\n")
