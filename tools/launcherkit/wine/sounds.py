"""Sounds sample for sample: a program's WAVE resources decoded as the system decodes them, and what was heard
compared with what should have been (difference())."""

import array
import struct

from launcherkit.pe import Executable
from launcherkit.resource_check import wave_chunks as wav_chunks

WAVE_FORMAT_PCM = 1
WAVE_FORMAT_ADPCM = 2
# The MS ADPCM step adaptation, by the 4-bit code.
ADPCM_ADAPTATION = (230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230)
# The system's sound path hands the device 10 ms periods; under load it adds whole periods of silence
# (difference()).
PERIOD_SECONDS = 0.01


def decode_ms_adpcm(fmt, data):
    """Interleaved 16-bit samples of MS ADPCM `data` as the system's codec decodes them: every block whole (the
    last one's padding too, which the fact chunk's count leaves out)."""
    _, channels, _, _, block_align, _, _, _, count = struct.unpack_from("<HHIIHHHHH", fmt)
    coefficients = [struct.unpack_from("<hh", fmt, 22 + 4 * i) for i in range(count)]
    out = array.array("h")
    header = 7 * channels
    for start in range(0, len(data) - header + 1, block_align):
        block = data[start:start + block_align]
        pairs = [coefficients[index] for index in block[:channels]]
        delta, sample1, sample2 = (list(struct.unpack_from("<%dh" % channels, block, k * channels)) for k in (1, 3, 5))
        out.extend(sample2 + sample1)
        channel = 0
        for byte in block[header:]:
            for code in (byte >> 4, byte & 15):
                first, second = pairs[channel]
                # The codec's C integer divisions by 256 round toward zero, as int() does.
                predicted = int((sample1[channel] * first + sample2[channel] * second) / 256)
                value = max(-32768, min(32767, predicted + (code - 16 if code & 8 else code) * delta[channel]))
                sample2[channel], sample1[channel] = sample1[channel], value
                out.append(value)
                delta[channel] = max(16, int(ADPCM_ADAPTATION[code] * delta[channel] / 256))
                channel = (channel + 1) % channels
    return out


class Sound:
    """A sound as the device gets it: interleaved 16-bit `samples` (array "h"); `name` is for messages."""

    def __init__(self, samples, rate, channels, name):
        self.samples, self.rate, self.channels, self.name = samples, rate, channels, name
        self.frames = len(samples) // channels
        self.duration = self.frames / rate

    @classmethod
    def from_wav(cls, blob, name):
        chunks = wav_chunks(blob)
        fmt = chunks[b"fmt "]
        tag, channels, rate, _avg, _align, bits = struct.unpack_from("<HHIIHH", fmt, 0)
        if tag == WAVE_FORMAT_ADPCM:
            samples = decode_ms_adpcm(fmt, chunks[b"data"])
        elif tag == WAVE_FORMAT_PCM and bits == 16:
            samples = samples_of(chunks[b"data"])
        else:
            raise ValueError("%s: format %d at %d bits, not 16-bit PCM or MS ADPCM" % (name, tag, bits))
        return cls(samples, rate, channels, name)

    @classmethod
    def from_exe(cls, exe, resource_id, name):
        wave = Executable.open(exe).resource("WAVE", resource_id)
        if not wave:
            raise ValueError("%s has no WAVE %d" % (exe, resource_id))
        return cls.from_wav(wave, name)

    @property
    def silent(self):
        return not any(self.samples)

    def at(self, frame):
        return "%.3f s" % (frame / self.rate)


def samples_of(data):
    """Signed 16-bit little-endian samples (in the host's order: Wine's hosts are little-endian)."""
    return array.array("h", data[:len(data) - len(data) % 2])


def difference(heard, expected, prefix=False):
    """None when `heard` is `expected` sample for sample but for whole periods of silence, which the device
    plays where it ran dry under load (on the stream's 10 ms grid) and after the end; otherwise one line on
    what was heard and where it first differs. prefix: `heard` may be cut off (by the next sound) after it
    began, and be silence from there on."""
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
