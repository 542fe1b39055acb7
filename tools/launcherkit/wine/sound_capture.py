"""What a session's Wine programs play: every stream Wine opens on the default ALSA device is written to a
file of its own in the session's sound folder, through ALSA's file plugin and a private HOME's .asoundrc.

Each stream is written by a `cat` of its own, which ends when Wine closes the stream: a stream whose
writer has ended is whole. (Under load a stream can stall for longer than any quiet interval while Wine
still holds it open; a stream read then is cut short.)"""

import os
import shutil
import time

from launcherkit.wine import sounds
from launcherkit.wine.processes import marked_processes


class SoundCapture:
    """`marker`: the session's marker, which the streams' writers carry like every process of the session.
    `kept_dir`: where a stream that was not heard as required is kept (assert_heard)."""

    def __init__(self, home, capture_dir, marker, kept_dir):
        self.capture_dir = capture_dir
        self.marker = marker
        self.kept_dir = kept_dir
        # The file plugin pipes each stream to a shell, whose $(date) and $$ make the name unique and
        # ordered; the plugin puts the stream's rate, channels and bits into the name (%r, %c, %b).
        # The plugin turns "%%" into "%", so the shell runs date +%s%N.
        target = os.path.join(capture_dir, "stream-$(date +%%s%%N)-$$-%r-%c-%b.raw")
        with open(os.path.join(home, ".asoundrc"), "w") as f:
            f.write('pcm.!default {\n'
                    '    type file\n'
                    '    slave { pcm "null" }\n'
                    '    file "|exec cat > ' + target + '"\n'
                    '    format "raw"\n'
                    '}\n')

    def writing(self):
        """Whether a stream is still being written: a process of the session holds a file of the capture."""
        folder = self.capture_dir + os.sep
        for pid in marked_processes(self.marker):
            try:
                descriptors = os.listdir("/proc/%d/fd" % pid)
            except OSError:
                continue
            for fd in descriptors:
                try:
                    if os.readlink("/proc/%d/fd/%s" % (pid, fd)).startswith(folder):
                        return True
                except OSError:
                    pass
        return False

    def streams(self, at_least=0, settle=0.4, timeout=30, whole=True):
        """The streams played so far, in order: a list of sounds.Stream. Waits until at least `at_least`
        streams have begun, then until no stream has grown or begun for `settle` seconds and, with
        `whole`, every stream is whole (its writer has ended). The timeout only guards against a hang."""
        deadline = time.monotonic() + timeout
        while len(os.listdir(self.capture_dir)) < at_least and time.monotonic() < deadline:
            time.sleep(0.05)
        while True:
            streams = sounds.read_streams(self.capture_dir, settle=settle,
                                          timeout=max(1, deadline - time.monotonic()))
            if not whole or not self.writing() or time.monotonic() > deadline:
                return streams

    def assert_heard(self, stream, expected, prefix=False):
        """The stream is the sounds.Sound `expected`, with no more than whole periods of silence around it
        (sounds.difference); otherwise fails with what was heard, the stream kept in `kept_dir`."""
        line = sounds.difference(sounds.Sound.from_stream(stream), expected, prefix=prefix)
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
