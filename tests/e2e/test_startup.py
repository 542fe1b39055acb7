"""Start-up of LAUNCH.EXE from CD-ROM drive D:: the window, the welcome sound, the show command and the
ways the system closes it."""
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402
import sounds  # noqa: E402

WS_POPUP = 0x80000000
WS_VISIBLE = 0x10000000
WS_BORDER = 0x00800000
WS_DLGFRAME = 0x00400000
WS_CAPTION = WS_BORDER | WS_DLGFRAME
WS_THICKFRAME = 0x00040000
WS_SYSMENU = 0x00080000
WS_CHILD = 0x40000000

SND_ASYNC = 0x0001
SND_NODEFAULT = 0x0002
SND_NOSTOP = 0x0010
SND_RESOURCE = 0x00040004

SW_HIDE = 0


def play_sound_calls(log_text):
    """(sound, flags) of each PlaySound call in a WINEDEBUG=+winmm log; the sound is a resource number
    or a name."""
    calls = []
    for match in re.finditer(r"MULTIMEDIA_PlaySound pszSound='([^']*)' hmod=\S+ fdwSound=([0-9A-Fa-f]+)", log_text):
        sound, flags = match.group(1), int(match.group(2), 16)
        calls.append((int(sound, 16) if re.fullmatch(r"[0-9A-Fa-f]{8,16}", sound) else sound, flags))
    return calls


class StartupTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        e2e.open_class_session(cls, "startup")
        cls.launcher.lay_medium()
        cls.welcome_length = sounds.wav_duration(e2e.exe_sound(e2e.LAUNCHER_EXE, e2e.WELCOME_SOUND_ID))

    def setUp(self):
        self.session.clear_sounds()

    def close_and_check_exit(self, process):
        code, values = self.session.poke("close")
        self.assertEqual(values.get("posted"), "1", "the system close command could not be posted")
        self.assertEqual(process.exit_code(timeout=30), 0)

    def test_window_is_a_centred_popup_without_caption_or_border(self):
        process, window = self.launcher.start(debug="+winmm")
        try:
            self.assertEqual((window.width, window.height), e2e.WINDOW_SIZE)
            self.assertEqual((window.x, window.y), e2e.WINDOW_ORIGIN)
            self.assertEqual(window.border, 0, "the X window has a border")
            code, info = self.session.poke("info")
            self.assertEqual(code, 0, "POKE found no window of class %r" % e2e.CLASS_NAME)
            self.assertEqual(info["class"], e2e.CLASS_NAME)
            self.assertEqual(info["title"], e2e.CLASS_NAME)
            style = int(info["style"], 16)
            self.assertTrue(style & WS_POPUP, "WS_POPUP missing from style 0x%08x" % style)
            for flag, name in ((WS_CAPTION, "WS_CAPTION"), (WS_BORDER, "WS_BORDER"), (WS_DLGFRAME, "WS_DLGFRAME"),
                               (WS_THICKFRAME, "WS_THICKFRAME"), (WS_SYSMENU, "WS_SYSMENU"), (WS_CHILD, "WS_CHILD")):
                self.assertFalse(style & flag, "%s set in style 0x%08x" % (name, style))
            self.assertTrue(style & WS_VISIBLE)
            self.assertEqual(info["rect"], "55,60,585,420", "the window rectangle is not the whole 530 x 360")
            # Nothing of a frame around it: the X window that shows the launcher is exactly its client area.
            self.assertEqual(self.session.find_windows(process.pid), [window.id])
            # Let the welcome sound play out: closing the launcher ends its sound with it.
            time.sleep(self.welcome_length + 0.5)
        finally:
            self.close_and_check_exit(process)

        # The welcome sound: requested once, with SND_NOSTOP, and heard once, whole and not silent.
        calls = play_sound_calls(process.log())
        self.assertEqual(len(calls), 1, "PlaySound calls: %s" % calls)
        sound, flags = calls[0]
        self.assertEqual(sound, e2e.WELCOME_SOUND_ID)
        self.assertEqual(flags, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP,
                         "PlaySound flags 0x%x" % flags)
        streams = self.session.captured_sounds(at_least=1)
        self.assertEqual(len(streams), 1, "streams: %s" % streams)
        self.assertAlmostEqual(streams[0].duration, self.welcome_length, delta=0.05)
        self.assertGreater(streams[0].rms, 100, "the welcome sound is silent")

    def test_the_system_close_command_ends_the_launcher_with_exit_code_0(self):
        process, _ = self.launcher.start()
        self.close_and_check_exit(process)

    def test_wm_close_ends_the_launcher_with_exit_code_0(self):
        process, _ = self.launcher.start()
        code, values = self.session.poke("wmclose")
        self.assertEqual(values.get("posted"), "1")
        self.assertEqual(process.exit_code(timeout=30), 0)

    def test_alt_f4_ends_the_launcher_with_exit_code_0(self):
        process, window = self.launcher.start()
        try:
            # The keyboard reaches the window once it has the X input focus.
            e2e.wait_until(lambda: self.session.poke("focus")[1].get("foreground") == "1", what="foreground")
            self.session._x("xdotool", "windowfocus", "--sync", str(window.id))
            self.session.key("alt+F4")
            self.assertEqual(process.exit_code(timeout=30), 0)
        finally:
            if process.running():
                self.close_and_check_exit(process)

    def test_hidden_start_shows_no_window_but_plays_the_welcome_sound(self):
        process, _ = self.launcher.start(show=SW_HIDE, wait=False)
        try:
            info = e2e.wait_until(lambda: (lambda r: r[1] if r[0] == 0 else None)(self.session.poke("info")),
                                  what="the launcher window to exist")
            self.assertEqual(info["visible"], "0", "SW_HIDE was not respected")
            streams = self.session.captured_sounds(at_least=1)
            self.assertEqual(len(streams), 1, "streams: %s" % streams)
            self.assertAlmostEqual(streams[0].duration, self.welcome_length, delta=0.05)
            self.assertEqual(self.session.find_windows(name="^Qelvar Lumivane$"), [],
                             "a visible X window appeared")
        finally:
            # POKE's exit code is the launcher's.
            self.close_and_check_exit(process)


if __name__ == "__main__":
    e2e.main()
