"""What a session's Wine programs play: each stream Wine opens on ALSA's default device, written to a file of
its own by a `cat` of its own (ALSA's file plugin, set in a private HOME's .asoundrc), which ends when Wine
closes the stream: a stream whose writer has ended is whole (a quiet one may only be stalled)."""

import math
import os
import re
import shutil
import time
from pathlib import Path

from launcherkit.wine.processes import marked_processes
from launcherkit.wine.sounds import Sound, difference, samples_of

STREAM_NAME = re.compile(r"^stream-(\d+)-\d+-(\d+)-(\d+)-(\d+)\.raw$")


class Stream(Sound):
    """A captured stream: a Sound with its file, its start (`started_ns`), `bits` and `bytes`."""

    def __init__(self, path, started_ns, rate, channels, bits):
        data = Path(path).read_bytes()
        super().__init__(samples_of(data), rate, channels, "the stream %s" % path)
        self.path, self.started_ns, self.bits, self.bytes = path, started_ns, bits, len(data)

    def __repr__(self):
        rms = math.sqrt(sum(s * s for s in self.samples) / len(self.samples)) if self.samples else 0.0
        return "<stream %.3f s, %d frames, %d Hz x %d ch x %d bit, RMS %.1f>" % (
            self.duration, self.frames, self.rate, self.channels, self.bits, rms)


class SoundCapture:
    """`marker`: the session's, which the streams' writers carry. `kept_dir`: where assert_heard keeps a stream."""

    def __init__(self, home, capture_dir, marker, kept_dir):
        self.capture_dir, self.marker, self.kept_dir = capture_dir, marker, kept_dir
        # The file plugin pipes each stream to a shell, whose $(date +%s%N) ("%%" is the plugin's "%") and $$
        # make the name unique and ordered; the plugin adds the stream's rate, channels and bits (%r, %c, %b).
        target = os.path.join(capture_dir, "stream-$(date +%%s%%N)-$$-%r-%c-%b.raw")
        with open(os.path.join(home, ".asoundrc"), "w") as f:
            f.write('pcm.!default {\n    type file\n    slave { pcm "null" }\n'
                    '    file "|exec cat > ' + target + '"\n    format "raw"\n}\n')

    def writing(self):
        """Whether a process of the session still holds a file of the capture open."""
        folder = self.capture_dir + os.sep
        for pid in marked_processes(self.marker):
            try:
                if any(os.readlink("/proc/%d/fd/%s" % (pid, fd)).startswith(folder)
                       for fd in os.listdir("/proc/%d/fd" % pid)):
                    return True
            except OSError:
                pass  # the process or one of its files went away while looked at
        return False

    def _sizes(self):
        with os.scandir(self.capture_dir) as entries:
            return {entry.name: entry.stat().st_size for entry in entries}

    def streams(self, at_least=0, settle=0.4, timeout=30, whole=True):
        """The streams played so far, oldest first, once at least `at_least` have begun, none has grown or begun
        for `settle` seconds and, with `whole`, every one is whole. The timeout only guards against a hang."""
        deadline = time.monotonic() + timeout
        last = stable_since = None
        while True:
            sizes, now = self._sizes(), time.monotonic()
            if sizes != last:
                last, stable_since = sizes, now
            if now > deadline or (len(sizes) >= at_least and now - stable_since >= settle
                                  and not (whole and self.writing())):
                break
            time.sleep(0.05)
        found = sorted((match for match in map(STREAM_NAME.match, last) if match), key=lambda m: int(m.group(1)))
        return [Stream(os.path.join(self.capture_dir, match.string), *map(int, match.groups())) for match in found]

    def assert_heard(self, stream, expected, prefix=False):
        """The stream is `expected` (sounds.difference); otherwise fails, the stream kept in `kept_dir`."""
        line = difference(stream, expected, prefix=prefix)
        if line is not None:
            os.makedirs(self.kept_dir, exist_ok=True)
            kept = os.path.join(self.kept_dir, os.path.basename(stream.path))
            shutil.copyfile(stream.path, kept)
            raise AssertionError("%s: heard %s (the stream is kept as %s)" % (expected.name, line, kept))

    def clear(self):
        """Forgets the streams captured so far (call when no sound plays)."""
        self.streams()
        for name in os.listdir(self.capture_dir):
            os.remove(os.path.join(self.capture_dir, name))
