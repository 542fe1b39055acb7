"""Sound streams captured from Wine through ALSA's file plugin: one raw file per stream, named
stream-<nanoseconds>-<pid>-<rate>-<channels>-<bits>.raw, interleaved little-endian samples; and the
RIFF WAVE sounds a program carries as resources, decoded as the system decodes them, and what was heard
compared with what should have been, sample for sample (difference())."""

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
    samples = _samples(data)
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


def wav_chunks(blob):
    """{chunk id: body} of a RIFF WAVE file."""
    if blob[:4] != b"RIFF" or blob[8:12] != b"WAVE":
        raise ValueError("not a RIFF WAVE file")
    chunks, pos = {}, 12
    while pos + 8 <= len(blob):
        kind, size = blob[pos:pos + 4], struct.unpack_from("<I", blob, pos + 4)[0]
        chunks.setdefault(kind, blob[pos + 8:pos + 8 + size])
        pos += 8 + size + (size & 1)
    return chunks


def stream_data(stream):
    with open(stream.path, "rb") as f:
        return f.read()


# -- what a sound is, sample for sample ------------------------------------------------------------------

WAVE_FORMAT_PCM = 1
WAVE_FORMAT_ADPCM = 2
# The MS ADPCM step adaptation, by the 4-bit code.
ADPCM_ADAPTATION = (230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230)
# The system's sound path hands the device 10 ms periods; under load it adds whole periods of silence
# (difference()).
PERIOD_SECONDS = 0.01


def _toward_zero(value):
    """value / 256 as C divides integers (toward zero), as the system's ADPCM codec does."""
    return value // 256 if value >= 0 else -(-value // 256)


def decode_ms_adpcm(fmt, data):
    """Interleaved 16-bit samples of MS ADPCM `data` as the system's codec decodes them: every block whole
    (the last one's padding too, which the fact chunk's count leaves out), sample for sample."""
    channels, block_align = struct.unpack_from("<H", fmt, 2)[0], struct.unpack_from("<H", fmt, 12)[0]
    count = struct.unpack_from("<H", fmt, 20)[0]
    coefficients = [struct.unpack_from("<hh", fmt, 22 + 4 * i) for i in range(count)]
    out = array.array("h")
    header = 7 * channels
    for start in range(0, len(data) - header + 1, block_align):
        block = data[start:start + block_align]
        pairs = [coefficients[index] for index in block[:channels]]
        delta = list(struct.unpack_from("<%dh" % channels, block, channels))
        sample1 = list(struct.unpack_from("<%dh" % channels, block, 3 * channels))
        sample2 = list(struct.unpack_from("<%dh" % channels, block, 5 * channels))
        out.extend(sample2)
        out.extend(sample1)
        channel = 0
        for byte in block[header:]:
            for code in (byte >> 4, byte & 15):
                first, second = pairs[channel]
                predicted = _toward_zero(sample1[channel] * first + sample2[channel] * second)
                value = max(-32768, min(32767, predicted + (code - 16 if code & 8 else code) * delta[channel]))
                sample2[channel], sample1[channel] = sample1[channel], value
                out.append(value)
                delta[channel] = max(16, _toward_zero(ADPCM_ADAPTATION[code] * delta[channel]))
                channel = (channel + 1) % channels
    return out


class Sound:
    """A sound as the device gets it: interleaved signed 16-bit `samples` (array "h") at `rate` Hz in
    `channels` channels; `name` says what it is in messages."""

    def __init__(self, samples, rate, channels, name):
        self.samples, self.rate, self.channels, self.name = samples, rate, channels, name
        self.frames = len(samples) // channels
        self.duration = self.frames / rate

    @classmethod
    def from_wav(cls, blob, name):
        """A RIFF WAVE file's sound: 16-bit PCM, or MS ADPCM decoded as the system decodes it."""
        chunks = wav_chunks(blob)
        fmt = chunks[b"fmt "]
        tag, channels, rate, _avg, _align, bits = struct.unpack_from("<HHIIHH", fmt, 0)
        if tag == WAVE_FORMAT_ADPCM:
            samples = decode_ms_adpcm(fmt, chunks[b"data"])
        elif tag == WAVE_FORMAT_PCM and bits == 16:
            samples = _samples(chunks[b"data"])
        else:
            raise ValueError("%s: format %d at %d bits, not 16-bit PCM or MS ADPCM" % (name, tag, bits))
        return cls(samples, rate, channels, name)

    @classmethod
    def from_exe(cls, exe, resource_id, name):
        return cls.from_wav(exe_sound(exe, resource_id), name)

    @classmethod
    def from_stream(cls, stream):
        return cls(_samples(stream_data(stream)), stream.rate, stream.channels, "the stream %s" % stream.path)

    @property
    def silent(self):
        return not any(self.samples)

    def at(self, frame):
        return "%.3f s" % (frame / self.rate)


def _samples(data):
    samples = array.array("h")
    samples.frombytes(data[:len(data) - len(data) % 2])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def difference(heard, expected, prefix=False):
    """None when the Sound `heard` is the Sound `expected` sample for sample, but for whole periods of
    silence that the sound path adds under load; otherwise one line saying what was heard and where it
    first differs. prefix: `heard` may end early (a sound cut off by the next), anywhere but before it
    began, and be silence from there on.

    The device is fed in periods of 10 ms from the stream's start. When it runs dry under load it plays a
    period of silence and goes on where it was, and it may run on for a few periods after the end: so a
    period of the stream that is all silence where the sound is not may be left out, and silence after
    the end is let through as long as the extra frames make whole periods. Nothing else: a sample
    changed, a sound cut short, repeated or followed by another all differ."""
    length = "%s (%d frames)" % (heard.at(heard.frames), heard.frames)
    if (heard.rate, heard.channels) != (expected.rate, expected.channels):
        return "%s at %d Hz in %d channels, not %s's %d Hz in %d" % (length, heard.rate, heard.channels,
                                                                       expected.name, expected.rate, expected.channels)
    channels, period = expected.channels, round(expected.rate * PERIOD_SECONDS)
    step = period * channels
    got, want = heard.samples, expected.samples
    i = j = 0  # samples of what was heard, and of the sound, matched so far
    while i < len(got) and j < len(want):
        n = min(step, len(got) - i, len(want) - j)
        if got[i:i + n] == want[j:j + n]:
            i, j = i + n, j + n
        elif n == step and not any(got[i:i + n]):
            i += n  # a period the device played dry
        else:
            first = next(k for k in range(n) if got[i + k] != want[j + k])
            if prefix and j + first > 0 and not any(got[i + first:]):
                return None  # cut off there: the rest of the stream is silence
            return "%s; it differs from %s first at %s of it, %s of the stream (heard %d, required %d)" % (
                length, expected.name, expected.at((j + first) // channels), heard.at((i + first) // channels),
                got[i + first], want[j + first])
    if j < len(want):
        if prefix and j > 0:
            return None
        return "%s; it ends at %s of %s, which lasts %s" % (length, expected.at(j // channels), expected.name,
                                                           expected.at(expected.frames))
    after = got[i:]
    if any(after):
        frame = (i + next(k for k, value in enumerate(after) if value)) // channels
        return "%s; after the whole of %s, sound again at %s of the stream" % (length, expected.name,
                                                                              heard.at(frame))
    if (heard.frames - expected.frames) % period:
        return "%s; %s with %d frames of silence around it, not whole %d-frame periods" % (
            length, expected.name, heard.frames - expected.frames, period)
    return None
