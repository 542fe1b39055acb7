"""A program that needs elevation still starts. Under User Account Control, starting a program that asks
for elevation with WinExec fails with last error 740; the launcher then starts the same command through
the shell (ShellExecuteExA), with the program and its parameters split as the system splits a command line.
Wine has no User Account Control, so the test builds LAUNCH740.EXE and LAUNCH5.EXE stand in: in them every
WinExec call is replaced by a start that fails with last error 740 or 5 and starts nothing. What is then
started really comes from the shell, and the recorder stub logs how the shell started it."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402



class ElevationTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        e2e.open_class_session(cls, "elevation")
        cls.launcher.place_recorder(e2e.WINDOWS_BROWSER)
        cls.launcher.place_recorder(e2e.UNINSTALLER)

    def setUp(self):
        self.launcher.clear_stub_log()
        self.process = None

    def tearDown(self):
        if self.process is not None and self.process.running():
            self.session.poke("close")
            self.process.exit_code(timeout=30)

    def click(self, exe, button, installed=False, folder=""):
        """Starts `exe` from the medium, clicks `button`; returns the programs started, after exit code 0."""
        path = self.launcher.lay_medium(exe=exe, folder=folder)
        self.process, _ = self.launcher.start(path)
        self.session.move(*e2e.button_centre(button))
        expected = e2e.expected_window(exe, 24, e2e.hovered(button), installed=installed)
        _, difference = self.launcher.wait_for_picture(expected)
        self.assertFalse(difference, "button %d is not lit: %s" % (button, difference))
        self.session.click()
        self.assertEqual(self.process.exit_code(timeout=30), 0)
        return self.launcher.stub_runs()

    def test_setup_that_needs_elevation_is_started_through_the_shell(self):
        self.assertEqual(self.click(e2e.LAUNCHER740_EXE, e2e.SETUP), [("D:\\SETUP32.EXE", '"D:\\SETUP32.EXE"')])

    def test_setup_in_a_folder_with_a_space_is_started_whole_through_the_shell(self):
        self.assertEqual(self.click(e2e.LAUNCHER740_EXE, e2e.SETUP, folder="Setup Files"),
                         [("D:\\Setup Files\\SETUP32.EXE", '"D:\\Setup Files\\SETUP32.EXE"')])

    def test_uninstall_command_is_split_into_its_quoted_program_and_its_parameters(self):
        self.launcher.set_installed(e2e.UNINSTALL_COMMAND)
        self.addCleanup(self.launcher.set_installed, None)
        self.assertEqual(self.click(e2e.LAUNCHER740_EXE, e2e.SETUP, installed=True),
                         [(e2e.UNINSTALLER, e2e.UNINSTALL_COMMAND)])

    def test_browser_is_split_into_its_program_and_the_drive_root(self):
        self.assertEqual(self.click(e2e.LAUNCHER740_EXE, e2e.BROWSE),
                         [(e2e.WINDOWS_BROWSER, '"C:\\windows\\EXPLORER.EXE" D:\\')])

    def test_any_other_failure_to_start_starts_nothing_more(self):
        for button in (e2e.SETUP, e2e.BROWSE):
            with self.subTest(button=button):
                self.launcher.clear_stub_log()
                self.assertEqual(self.click(e2e.LAUNCHER5_EXE, button), [])


if __name__ == "__main__":
    e2e.main()
