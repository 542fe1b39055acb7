"""Sound streams captured from Wine through ALSA's file plugin: one raw file per stream, named
stream-<nanoseconds>-<pid>-<rate>-<channels>-<bits>.raw, interleaved little-endian samples; and the
RIFF WAVE sounds a program carries as resources, to compare them with."""

import array
import math
import os
import re
import struct
import sys
import time

from launcherkit.pe import Executable

_NAME = re.compile(r"^stream-(\d+)-(\d+)-(\d+)-(\d+)-(\d+)\.raw$")


class Stream:
    def __init__(self, path, started_ns, rate, channels, bits, data):
        self.path = path
        self.started_ns = started_ns
        self.rate = rate
        self.channels = channels
        self.bits = bits
        self.bytes = len(data)
        frame = channels * bits // 8
        self.frames = len(data) // frame if frame else 0
        self.duration = self.frames / rate if rate else 0.0
        self.rms = _rms(data, bits)

    def __repr__(self):
        return "<stream %.3f s, %d frames, %d Hz x %d ch x %d bit, RMS %.1f>" % (
            self.duration, self.frames, self.rate, self.channels, self.bits, self.rms)


def _rms(data, bits):
    if bits != 16 or len(data) < 2:
        return 0.0
    samples = array.array("h")
    samples.frombytes(data[:len(data) - len(data) % 2])
    if sys.byteorder != "little":
        samples.byteswap()
    total = 0
    for s in samples:
        total += s * s
    return math.sqrt(total / len(samples))


def _sizes(folder):
    sizes = {}
    for name in os.listdir(folder):
        try:
            sizes[name] = os.path.getsize(os.path.join(folder, name))
        except OSError:
            pass
    return sizes


def read_streams(folder, settle=0.4, timeout=30):
    """All streams in `folder`, oldest first, once none has grown or appeared for `settle` seconds."""
    deadline = time.monotonic() + timeout
    last = _sizes(folder)
    stable_since = time.monotonic()
    while time.monotonic() - stable_since < settle and time.monotonic() < deadline:
        time.sleep(0.05)
        now = _sizes(folder)
        if now != last:
            last = now
            stable_since = time.monotonic()
    streams = []
    for name in sorted(last, key=lambda n: int(_NAME.match(n).group(1)) if _NAME.match(n) else 0):
        match = _NAME.match(name)
        if not match:
            continue
        started, _pid, rate, channels, bits = (int(g) for g in match.groups())
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        streams.append(Stream(os.path.join(folder, name), started, rate, channels, bits, data))
    return streams


def exe_sound(exe, resource_id):
    """The RIFF WAVE file that the program `exe` carries as its WAVE resource `resource_id`."""
    wave = Executable.open(exe).resource("WAVE", resource_id)
    if not wave:
        raise ValueError("%s has no WAVE %d" % (exe, resource_id))
    return wave


def wav_duration(blob):
    """Length in seconds of a RIFF WAVE file's sound: PCM by its data size, others by the fact chunk."""
    if blob[:4] != b"RIFF" or blob[8:12] != b"WAVE":
        raise ValueError("not a RIFF WAVE file")
    pos = 12
    fmt = None
    samples = None
    data_size = None
    while pos + 8 <= len(blob):
        kind, size = blob[pos:pos + 4], struct.unpack_from("<I", blob, pos + 4)[0]
        body = blob[pos + 8:pos + 8 + size]
        if kind == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body, 0)
        elif kind == b"fact":
            samples = struct.unpack_from("<I", body, 0)[0]
        elif kind == b"data":
            data_size = size
        pos += 8 + size + (size & 1)
    tag, channels, rate, _avg, block_align, _bits = fmt
    if tag == 1:
        return data_size / block_align / rate
    return samples / rate


def wav_data(blob):
    """The bytes of a RIFF WAVE file's data chunk."""
    pos = 12
    while pos + 8 <= len(blob):
        kind, size = blob[pos:pos + 4], struct.unpack_from("<I", blob, pos + 4)[0]
        if kind == b"data":
            return blob[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    raise ValueError("no data chunk")


def stream_data(stream):
    with open(stream.path, "rb") as f:
        return f.read()
