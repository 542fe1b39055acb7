#!/usr/bin/env python3
"""same_bytes.py A B: exits 0 when the two files are byte-identical; prints both SHA-256 sums either way,
and where they differ."""
import hashlib
import sys


def main(first, second):
    with open(first, "rb") as f, open(second, "rb") as g:
        a, b = f.read(), g.read()
    for name, data in ((first, a), (second, b)):
        print("%s  %s (%d bytes)" % (hashlib.sha256(data).hexdigest(), name, len(data)))
    if a == b:
        print("byte-identical")
        return 0
    offsets = [i for i in range(min(len(a), len(b))) if a[i] != b[i]][:10]
    print("they differ; first differing offsets: %s" % ", ".join("0x%x" % i for i in offsets))
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
