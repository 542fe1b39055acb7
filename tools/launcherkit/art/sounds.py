"""The welcome sound (a three-note chime, Microsoft ADPCM) and the hover click (16-bit PCM): synthesised, or
converted from the product's own source files with sox, at the lengths the table of resources requires."""

import math
import os
import struct
import subprocess
import sys

from launcherkit.art import SOUNDS

SOX = "/usr/bin/sox"
RATE = int(SOUNDS["welcome"]["rate"])
# How sox reads and writes the samples it exchanges with this script: 16-bit stereo at RATE.
RAW = ["-t", "raw", "-r", str(RATE), "-c", "2", "-b", "16", "-e", "signed-integer"]
WELCOME_SAMPLES = int(SOUNDS["welcome"]["samples"])  # exactly; the encoder records it in the "fact" chunk
HOVER_SAMPLES = round(float(SOUNDS["hover"]["seconds"]) * RATE)
# name: (frames, why a source is cut to that length)
LENGTHS = {
    "welcome": (WELCOME_SAMPLES, "the launcher's welcome sound has a fixed length, which the asset check requires"),
    "hover": (HOVER_SAMPLES, "the asset check requires the hover click to last %s s" % SOUNDS["hover"]["seconds"]),
}


def frames(left, right):
    return b"".join(struct.pack("<hh", l, r) for l, r in zip(left, right))


def to_pcm16(channels, peak):
    top = max(max(abs(v) for v in ch) for ch in channels) or 1.0
    scale = peak * 32767 / top
    return [[int(round(v * scale)) for v in ch] for ch in channels]


def synth_welcome():
    """A three-note bell chime (G5, C6, E6), each note a little to one side, fading out."""
    n = WELCOME_SAMPLES
    left, right = [0.0] * n, [0.0] * n
    partials = [(1.0, 1.0), (2.0, 0.35), (3.01, 0.12), (4.2, 0.05)]
    for start, freq, pan in ((0.00, 783.99, 0.30), (0.13, 1046.50, 0.50), (0.26, 1318.51, 0.70)):
        first = int(start * RATE)
        for i in range(first, n):
            t = (i - first) / RATE
            v = min(1.0, t / 0.004) * sum(amp * math.exp(-t * (2.2 + 1.5 * mult))
                                          * math.sin(2 * math.pi * freq * mult * t) for mult, amp in partials)
            left[i] += v * math.cos(pan * math.pi / 2)
            right[i] += v * math.sin(pan * math.pi / 2)
    fade = int(0.25 * RATE)
    for channel in (left, right):
        for i in range(n - fade, n):
            channel[i] *= (n - i) / fade
    return to_pcm16([left, right], 0.7)


def synth_hover():
    """A soft wooden tick: a short, quickly damped tone with a slight knock, then silence."""
    n = HOVER_SAMPLES
    left, right = [0.0] * n, [0.0] * n
    for i in range(n):
        t = i / RATE
        v = min(1.0, t / 0.0015) * (math.exp(-t * 90) * math.sin(2 * math.pi * 1250 * t)
                                    + 0.45 * math.exp(-t * 160) * math.sin(2 * math.pi * 2630 * t)
                                    + 0.30 * math.exp(-t * 35) * math.sin(2 * math.pi * 610 * t))
        left[i], right[i] = v, v * 0.92
    return to_pcm16([left, right], 0.45)


def read_source(name, path):
    """A product's own sound, as 44,100 Hz stereo 16-bit, cut (saying so) or padded to its length."""
    samples, why = LENGTHS[name]
    done = subprocess.run([SOX, "-D", "-R", path] + RAW + ["-"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if done.returncode:
        said = done.stderr.decode("utf-8", "replace").strip().splitlines()
        sys.exit("make-art: %s: found a file sox cannot read (%s); required a sound file sox reads (WAVE, FLAC, Ogg "
                 "or AIFF)" % (path, said[0] if said else "exit code %d" % done.returncode))
    raw = done.stdout
    values = list(struct.unpack("<%dh" % (len(raw) // 2), raw))
    left, right = values[0::2][:samples], values[1::2][:samples]
    if len(values) // 2 > samples:  # cut: fade out the last few milliseconds
        print("make-art: cut %s from %.2f s to %.2f s (%s samples): %s"
              % (path, len(values) // 2 / RATE, samples / RATE, format(samples, ","), why))
        fade = min(len(left), int(0.02 * RATE))
        for channel in (left, right):
            for k in range(fade):
                channel[-1 - k] = int(channel[-1 - k] * (k / fade))
    left += [0] * (samples - len(left))
    right += [0] * (samples - len(right))
    return [left, right]


def read_sounds(folders):
    """{name: [left, right]} of the welcome sound and the hover click: read from their sources, or synthesised."""
    made = {}
    for name, synthesise in (("welcome", synth_welcome), ("hover", synth_hover)):
        source = folders.sound_source(name)
        made[name] = read_source(name, source) if source else synthesise()
    return made


def write_sounds(folders, made):
    """welcome.wav (Microsoft ADPCM) and hover.wav (PCM) in the resource folder's sounds/, from read_sounds."""
    os.makedirs(folders.output("sounds"), exist_ok=True)
    for name, encoding in (("welcome", ["-e", "ms-adpcm"]), ("hover", [])):
        subprocess.run([SOX, "-D", "-R"] + RAW + ["-"] + encoding + [folders.output("sounds", name + ".wav")],
                       input=frames(*made[name]), check=True)
