"""Libraries planted beside LAUNCH.EXE are never loaded. A medium copied into a folder that others can
write to may hold a WINMM.DLL or MSACM32.DLL of a stranger's: neither is one of the system's known
libraries, so the system would look for them in the launcher's folder first. Here Wine is told to prefer
such copies (WINEDLLOVERRIDES winmm,msacm32=n,b), as Windows does for libraries outside its known list.
The planted libraries (tests/stubs/planted_library.c) write a line to the stub log when any process
loads them. The window, both sounds and every action still work, and the launcher exits with code 0."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402
import sounds  # noqa: E402
import wine_session  # noqa: E402

PREFER_PLANTED = {"WINEDLLOVERRIDES": wine_session.DLL_OVERRIDES + ";winmm,msacm32=n,b"}
PLANTED = {"WINMM.DLL": e2e.PLANTED_WINMM, "MSACM32.DLL": e2e.PLANTED_MSACM32}


class PlantedLibraryTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        e2e.open_class_session(cls, "planting")
        cls.launcher.place_recorder(e2e.WINDOWS_BROWSER)
        cls.launcher.place_recorder(e2e.UNINSTALLER)
        cls.welcome_length = sounds.wav_duration(e2e.exe_sound(e2e.LAUNCHER_EXE, e2e.WELCOME_SOUND_ID))
        cls.hover_samples = sounds.wav_data(e2e.exe_sound(e2e.LAUNCHER_EXE, e2e.HOVER_SOUND_ID))
        cls.launcher.first_run()  # without planted libraries

    def setUp(self):
        self.launcher.clear_stub_log()
        self.session.clear_sounds()
        self.process = None

    def tearDown(self):
        if self.process is not None and self.process.running():
            self.session.poke("close")
            self.process.exit_code(timeout=30)

    def assert_no_planted_library_loaded(self, when):
        runs = self.launcher.stub_runs(still_running=[self.process])
        self.assertEqual([run for run in runs if run[0].upper().endswith(".DLL")], [],
                         "a planted library was loaded %s" % when)

    def run_with_planted_libraries(self, button, installed=False):
        """Starts the launcher beside the planted libraries, hears the welcome sound out, enters `button`
        (the hover sound) and clicks it; returns the stub log's lines once every program has ended."""
        self.launcher.lay_medium(extra=PLANTED)
        self.process, _ = self.launcher.start(env=PREFER_PLANTED)
        self.assert_no_planted_library_loaded("before the window showed")
        welcome = self.session.captured_sounds(at_least=1)
        self.assert_no_planted_library_loaded("with the first sound")
        self.assertEqual(len(welcome), 1, "the welcome sound: %s" % welcome)
        self.assertAlmostEqual(welcome[0].duration, self.welcome_length, delta=0.05)
        self.assertGreater(welcome[0].rms, 100, "the welcome sound is silent")

        self.session.move(*e2e.button_centre(button))
        expected = e2e.expected_window(e2e.LAUNCHER_EXE, 24, e2e.hovered(button), installed=installed)
        _, difference = self.launcher.wait_for_picture(expected)
        self.assertFalse(difference, "button %d is not lit: %s" % (button, difference))
        streams = self.session.captured_sounds(at_least=2)
        self.assertEqual(len(streams), 2, "the welcome and the hover sound: %s" % streams)
        self.assertEqual(sounds.stream_data(streams[1]), self.hover_samples,
                         "the second stream is not the hover sound")

        self.session.click()
        self.assertEqual(self.process.exit_code(timeout=30), 0)
        return self.launcher.stub_runs()

    def test_setup_button_with_planted_sound_libraries(self):
        self.assertEqual(self.run_with_planted_libraries(e2e.SETUP), [("D:\\SETUP32.EXE", '"D:\\SETUP32.EXE"')])

    def test_remove_button_with_planted_sound_libraries(self):
        self.launcher.set_installed(e2e.UNINSTALL_COMMAND)
        self.addCleanup(self.launcher.set_installed, None)
        self.assertEqual(self.run_with_planted_libraries(e2e.SETUP, installed=True),
                         [(e2e.UNINSTALLER, e2e.UNINSTALL_COMMAND)])

    def test_browse_button_with_planted_sound_libraries(self):
        self.assertEqual(self.run_with_planted_libraries(e2e.BROWSE),
                         [(e2e.WINDOWS_BROWSER, "C:\\windows\\EXPLORER.EXE D:\\")])

    def test_cancel_button_with_planted_sound_libraries(self):
        self.assertEqual(self.run_with_planted_libraries(e2e.CANCEL), [])


if __name__ == "__main__":
    e2e.main()
