"""What a session's Wine programs play: every stream Wine opens on the default ALSA device is written to a
file of its own in the session's sound folder, through ALSA's file plugin and a private HOME's .asoundrc."""

import os
import time

from launcherkit.wine import sounds


class SoundCapture:
    def __init__(self, home, capture_dir):
        self.capture_dir = capture_dir
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

    def streams(self, at_least=0, settle=0.4, timeout=30):
        """The streams played so far, in order: a list of sounds.Stream. Waits until at least `at_least`
        streams have begun, then until no stream has grown for `settle` seconds (streams are written as
        they play). The timeout only guards against a hang."""
        deadline = time.monotonic() + timeout
        while len(os.listdir(self.capture_dir)) < at_least and time.monotonic() < deadline:
            time.sleep(0.05)
        return sounds.read_streams(self.capture_dir, settle=settle, timeout=max(1, deadline - time.monotonic()))

    def clear(self):
        """Forgets the streams captured so far (call when no sound plays)."""
        self.streams()
        for name in os.listdir(self.capture_dir):
            os.remove(os.path.join(self.capture_dir, name))
