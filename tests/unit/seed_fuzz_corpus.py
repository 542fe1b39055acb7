#!/usr/bin/env python3
"""Writes each bitmap file given into the corpus folder without its 14-byte file header, in the form
the executable's bitmap resources hold them; and beside them small pictures made here whose header
disagrees with itself in ways the picture rules must catch."""
import hashlib
import pathlib
import struct
import sys


def crafted_pictures():
    """1-, 4- and 8-bit pictures of 4 x 2 pixels whose biClrUsed is 65536 or 65537: the low 16 bits
    count a table of 0 or 1 entries, while drawing reads 256 of them."""
    for bits in (1, 4, 8):
        for clr_used in (65536, 65537):
            row_bytes = (4 * bits + 31) // 32 * 4
            header = struct.pack("<IiiHHIIiiII", 40, 4, 2, 1, bits, 0, row_bytes * 2, 0, 0, clr_used, 0)
            table = b"\x10\x20\x30\x00" * (clr_used & 0xFFFF)
            yield header + table + b"\x5a" * (row_bytes * 2)


def write(out, body):
    (out / hashlib.sha1(body).hexdigest()).write_bytes(body)


out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
for name in sys.argv[2:]:
    write(out, pathlib.Path(name).read_bytes()[14:])
for body in crafted_pictures():
    write(out, body)
