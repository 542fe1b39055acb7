"""A minimal X11 client (python3 standard library only) for the benchmarks: reads pixels straight from an
X server's screen and warps the pointer, over the server's local socket.

Spawning a program such as xwd for every look at the screen costs several milliseconds each time; a
GetImage request of a few single pixels on an open connection costs a fraction of one, so the poll that
times the launcher's window resolves far finer than what it measures.

    probe = XProbe(display_number)
    values = probe.pixels([(x, y), ...])    # the raw pixel values on the screen (root window)
    probe.warp(x, y)                        # moves the pointer as a user would
    probe.close()
"""

import os
import socket
import struct


class XError(Exception):
    pass


def _pad(n):
    return (4 - n % 4) % 4


class XProbe:
    def __init__(self, display):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect("/tmp/.X11-unix/X%d" % display)
        # Little-endian, protocol 11.0, no authorization (Xvfb on its local socket asks for none).
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        status, _, _, _, extra = struct.unpack("<BBHHH", head)
        body = self._read(extra * 4)
        if status != 1:
            raise XError("the X server refused the connection: %r" % body[:head[1]])
        (release, id_base, id_mask, motion, vendor_len, max_request, screens, formats, image_order,
         bitmap_order, scan_unit, scan_pad, min_key, max_key) = struct.unpack("<IIIIHHBBBBBBBB4x", body[:32])
        self.image_byte_order = image_order  # 0: LSBFirst
        offset = 32 + vendor_len + _pad(vendor_len)
        self.formats = {}
        for _ in range(formats):
            depth, bits_per_pixel, pad = struct.unpack("<BBB5x", body[offset:offset + 8])
            self.formats[depth] = (bits_per_pixel, pad)
            offset += 8
        (self.root, self.colormap, self.white, self.black, _, self.width, self.height, _, _, _, _,
         self.visual, _, _, self.depth, _) = struct.unpack("<IIIIIHHHHHHIBBBB", body[offset:offset + 40])
        self.bits_per_pixel, self.scanline_pad = self.formats[self.depth]

    def _read(self, count):
        data = bytearray()
        while len(data) < count:
            chunk = self.sock.recv(count - len(data))
            if not chunk:
                raise XError("the X server closed the connection")
            data += chunk
        return bytes(data)

    def _reply(self):
        head = self._read(32)
        if head[0] == 0:
            raise XError("X error %d (request %d)" % (head[1], head[10]))
        if head[0] != 1:
            return self._reply()  # an event; none is selected, but skip it all the same
        length = struct.unpack("<I", head[4:8])[0]
        return head, self._read(length * 4)

    def pixels(self, points):
        """The raw pixel values (as the frame buffer holds them) at the screen points, in one round trip."""
        request = b"".join(struct.pack("<BBHIhhHHI", 73, 2, 5, self.root, x, y, 1, 1, 0xFFFFFFFF)
                           for x, y in points)
        self.sock.sendall(request)
        values = []
        size = max(1, self.bits_per_pixel // 8)
        order = "little" if self.image_byte_order == 0 else "big"
        for _ in points:
            _, data = self._reply()
            values.append(int.from_bytes(data[:size], order))
        return tuple(values)

    def region(self, x, y, width, height):
        """The raw frame buffer bytes of a screen rectangle (ZPixmap, rows padded) and the row stride."""
        self.sock.sendall(struct.pack("<BBHIhhHHI", 73, 2, 5, self.root, x, y, width, height, 0xFFFFFFFF))
        _, data = self._reply()
        stride = (width * self.bits_per_pixel + self.scanline_pad - 1) // self.scanline_pad * self.scanline_pad // 8
        return data, stride

    def warp(self, x, y):
        """Moves the pointer to the screen point (WarpPointer: the server reports it as a real motion)."""
        self.sock.sendall(struct.pack("<BxHIIhhHHhh", 41, 6, 0, self.root, 0, 0, 0, 0, x, y))
        self.sync()

    def sync(self):
        """Waits until the server has handled every request sent so far (GetInputFocus round trip)."""
        self.sock.sendall(struct.pack("<BxH", 43, 1))
        self._reply()

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False


if __name__ == "__main__":
    import sys
    import time
    probe = XProbe(int(os.environ.get("DISPLAY", ":0").lstrip(":").split(".")[0]) if len(sys.argv) < 2
                   else int(sys.argv[1]))
    print("root 0x%x %dx%d depth %d, %d bits per pixel" % (probe.root, probe.width, probe.height, probe.depth,
                                                         probe.bits_per_pixel))
    start = time.perf_counter()
    for _ in range(200):
        probe.pixels([(10, 10), (100, 100), (300, 200), (500, 400)])
    print("one poll of 4 pixels: %.3f ms" % ((time.perf_counter() - start) / 200 * 1000))
