#!/usr/bin/env python3
"""Writes each bitmap file given into the corpus folder without its 14-byte file header,
in the form the executable's bitmap resources hold them."""
import hashlib
import pathlib
import sys

out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
for name in sys.argv[2:]:
    body = pathlib.Path(name).read_bytes()[14:]
    (out / hashlib.sha1(body).hexdigest()).write_bytes(body)
