"""Pictures for the tests: RGB images from screenshots (PPM) and from Windows bitmaps (BMP), compared
pixel by pixel, and written as PNG."""

import os
import struct
import subprocess
import zlib


class Image:
    """width x height RGB pixels, rows top to bottom, 3 bytes a pixel."""

    def __init__(self, width, height, data=None):
        self.width = width
        self.height = height
        self.data = bytearray(data) if data is not None else bytearray(width * height * 3)
        if len(self.data) != width * height * 3:
            raise ValueError("pixel data of %d bytes for %dx%d" % (len(self.data), width, height))

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x, y, width, height):
        if x < 0 or y < 0 or x + width > self.width or y + height > self.height:
            raise ValueError("crop %dx%d at (%d,%d) outside %dx%d" % (width, height, x, y, self.width, self.height))
        out = bytearray()
        for row in range(y, y + height):
            start = (row * self.width + x) * 3
            out += self.data[start:start + width * 3]
        return Image(width, height, out)

    def paste(self, other, x, y):
        """Puts `other` with its top left corner at (x, y); returns self."""
        for row in range(other.height):
            target = ((y + row) * self.width + x) * 3
            source = row * other.width * 3
            self.data[target:target + other.width * 3] = other.data[source:source + other.width * 3]
        return self

    def copy(self):
        return Image(self.width, self.height, self.data)

    def colours(self):
        return {bytes(self.data[i:i + 3]) for i in range(0, len(self.data), 3)}

    def save_png(self, path):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        raw = bytearray()
        stride = self.width * 3
        for row in range(self.height):
            raw.append(0)
            raw += self.data[row * stride:(row + 1) * stride]

        def chunk(kind, payload):
            body = kind + payload
            return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 6)))
            f.write(chunk(b"IEND", b""))


class Difference:
    """The outcome of comparing two images of the same size."""

    def __init__(self, count, first, worst):
        self.count = count          # pixels off by more than the tolerance
        self.first = first          # (x, y, actual, expected) of the first such pixel, or None
        self.worst = worst          # largest difference of one channel over all pixels

    def __bool__(self):
        return self.count > 0

    def __str__(self):
        if not self.count:
            return "identical within tolerance (largest channel difference %d)" % self.worst
        x, y, actual, expected = self.first
        return "%d pixels differ; first at (%d,%d): %s, expected %s; largest channel difference %d" % (
            self.count, x, y, actual, expected, self.worst)


def compare(actual, expected, tolerance=0):
    """Pixels of `actual` whose channels differ from `expected` by more than `tolerance`."""
    if (actual.width, actual.height) != (expected.width, expected.height):
        raise ValueError("sizes differ: %dx%d and %dx%d" % (actual.width, actual.height,
                                                            expected.width, expected.height))
    count = 0
    first = None
    worst = 0
    a, e = actual.data, expected.data
    if a == e:
        return Difference(0, None, 0)
    for i in range(0, len(a), 3):
        d = max(abs(a[i] - e[i]), abs(a[i + 1] - e[i + 1]), abs(a[i + 2] - e[i + 2]))
        if d > worst:
            worst = d
        if d > tolerance:
            count += 1
            if first is None:
                p = i // 3
                first = (p % actual.width, p // actual.width, tuple(a[i:i + 3]), tuple(e[i:i + 3]))
    return Difference(count, first, worst)


def parse_ppm(blob):
    """An Image from binary PPM (P6, maxval 255) as written by ImageMagick."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        if blob[pos:pos + 1] == b"#":
            pos = blob.index(b"\n", pos) + 1
            continue
        end = pos
        while not blob[end:end + 1].isspace():
            end += 1
        fields.append(blob[pos:end])
        pos = end
    pos += 1  # the single white space before the pixels
    magic, width, height, maxval = fields[0], int(fields[1]), int(fields[2]), int(fields[3])
    if magic != b"P6" or maxval != 255:
        raise ValueError("not an 8-bit P6 PPM: %r maxval %d" % (magic, maxval))
    return Image(width, height, blob[pos:pos + width * height * 3])


def parse_bmp(blob):
    """An Image from a Windows bitmap: 1, 4, 8 or 24 bits a pixel, BI_RGB, bottom-up or top-down."""
    if blob[:2] == b"BM":
        offset = struct.unpack_from("<I", blob, 10)[0]
        info = blob[14:]
        bits_at = offset - 14
    else:
        info = blob  # a packed DIB as stored in a resource
        bits_at = None
    header_size, width, height, planes, bpp, compression = struct.unpack_from("<IiiHHI", info, 0)
    colours_used = struct.unpack_from("<I", info, 32)[0] if header_size >= 36 else 0
    if compression != 0:
        raise ValueError("compressed bitmaps are not read (compression %d)" % compression)
    table = []
    if bpp <= 8:
        count = colours_used or (1 << bpp)
        for i in range(count):
            b, g, r = info[header_size + 4 * i:header_size + 4 * i + 3]
            table.append((r, g, b))
        if bits_at is None:
            bits_at = header_size + 4 * count
    elif bits_at is None:
        bits_at = header_size
    top_down = height < 0
    height = abs(height)
    stride = ((width * bpp + 31) // 32) * 4
    image = Image(width, height)
    out = image.data
    for row in range(height):
        src = info[bits_at + row * stride:bits_at + (row + 1) * stride]
        y = row if top_down else height - 1 - row
        o = y * width * 3
        for x in range(width):
            if bpp == 24:
                b, g, r = src[3 * x:3 * x + 3]
            elif bpp == 8:
                r, g, b = table[src[x]]
            elif bpp == 4:
                r, g, b = table[(src[x >> 1] >> (4 if x % 2 == 0 else 0)) & 15]
            elif bpp == 1:
                r, g, b = table[(src[x >> 3] >> (7 - x % 8)) & 1]
            else:
                raise ValueError("%d bits a pixel are not read" % bpp)
            out[o + 3 * x:o + 3 * x + 3] = bytes((r, g, b))
    return image


def bmp_bits_per_pixel(blob):
    info = blob[14:] if blob[:2] == b"BM" else blob
    return struct.unpack_from("<H", info, 14)[0]


def exe_bitmap(exe, resource_id):
    """The bytes of bitmap resource `resource_id` of a Windows program, as a BMP file (wrestool)."""
    result = subprocess.run(["wrestool", "-x", "--type=2", "--name=%d" % resource_id, exe],
                            capture_output=True, timeout=60)
    if result.returncode != 0 or not result.stdout:
        raise ValueError("%s has no bitmap %d" % (exe, resource_id))
    return result.stdout


_picture_cache = {}


def exe_picture(exe, resource_id):
    """Bitmap resource `resource_id` of `exe` as an Image."""
    key = (os.path.abspath(exe), resource_id)
    if key not in _picture_cache:
        _picture_cache[key] = parse_bmp(exe_bitmap(exe, resource_id))
    return _picture_cache[key]
