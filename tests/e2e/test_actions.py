"""What a click on LAUNCH.EXE does: the install button starts the setup program beside the launcher (or
the registered uninstall command once the product is installed), the browse button starts the file
browser of the Windows folder on the medium's root (the recorder stub stands in for it), cancel starts
nothing, a click on the background closes at once, and presses that are dragged elsewhere start nothing.
Every path ends with exit code 0 and leaves no trace: no file of the medium or of the user's folders and
no registry value is written."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import e2e_support as e2e  # noqa: E402



class ActionCase(unittest.TestCase):
    session_name = "actions"

    @classmethod
    def setUpClass(cls):
        e2e.open_class_session(cls, cls.session_name)
        cls.launcher.place_recorder(e2e.WINDOWS_BROWSER)
        cls.launcher.place_recorder(e2e.UNINSTALLER)  # the uninstaller the registered command names
        cls.users = os.path.join(cls.session.prefix, "drive_c", "users")
        # Before any snapshot is taken.
        cls.launcher.first_run()

    def setUp(self):
        self.launcher.clear_stub_log()
        self.session.clear_sounds()

    # -- steps --------------------------------------------------------------------------------------------

    def start(self, hear_welcome=False, **medium):
        path = self.launcher.lay_medium(**medium)
        self.files_before = self.snapshot()
        self.process, self.window = self.launcher.start(path)
        self.addCleanup(self.stop_if_running)
        if hear_welcome:
            # The welcome sound is heard out first, so that the sounds of the next steps can be counted.
            self.session.captured_sounds(at_least=1)
            self.session.clear_sounds()

    def stop_if_running(self):
        if self.process.running():
            self.session.poke("close")
            self.process.exit_code(timeout=30)

    def snapshot(self):
        return {"medium": e2e.file_snapshot(self.launcher.medium),
                "users": e2e.file_snapshot(self.users, ignore=e2e.WINE_USER_FILES)}

    def hover(self, button, installed=False):
        self.session.move(*e2e.button_centre(button))
        expected = e2e.expected_window(e2e.LAUNCHER_EXE, 24, e2e.hovered(button), installed=installed)
        _, difference = self.launcher.wait_for_picture(expected)
        self.assertFalse(difference, "button %d is not lit: %s" % (button, difference))

    def assert_ended_cleanly(self, expected_runs):
        """Exit code 0, exactly `expected_runs` programs started, nothing written."""
        self.assertEqual(self.process.exit_code(timeout=30), 0)
        self.assertEqual(self.launcher.stub_runs(), expected_runs)
        after = self.snapshot()
        for place in ("medium", "users"):
            self.assertEqual(e2e.snapshot_changes(self.files_before[place], after[place]), [],
                             "the launcher changed files in the %s" % place)


class ActionTests(ActionCase):
    def test_install_button_starts_setup32_from_the_launcher_folder(self):
        self.start()
        self.hover(e2e.SETUP)
        self.session.click()
        self.assert_ended_cleanly([("D:\\SETUP32.EXE", '"D:\\SETUP32.EXE"')])

    def test_installed_product_install_button_runs_the_registered_uninstall_command_exactly(self):
        self.launcher.set_installed(e2e.UNINSTALL_COMMAND)
        self.addCleanup(self.launcher.set_installed, None)
        self.start()
        self.hover(e2e.SETUP, installed=True)
        self.session.click()
        self.assert_ended_cleanly([(e2e.UNINSTALLER, e2e.UNINSTALL_COMMAND)])

    def test_browse_button_starts_the_windows_folder_browser_on_the_medium_never_one_beside_the_launcher(self):
        self.start()  # with an EXPLORER.EXE beside the launcher
        self.hover(e2e.BROWSE)
        self.session.click()
        self.assert_ended_cleanly([(e2e.WINDOWS_BROWSER, "C:\\windows\\EXPLORER.EXE D:\\")])

    def test_cancel_button_starts_nothing(self):
        self.start()
        self.hover(e2e.CANCEL)
        self.session.click()
        self.assert_ended_cleanly([])

    def test_click_on_the_background_closes_without_sound_or_program(self):
        self.start(hear_welcome=True)
        self.session.move(*e2e.BACKGROUND_POINT)
        self.session.click()
        self.assert_ended_cleanly([])
        self.assertEqual(self.session.captured_sounds(), [])

    def test_press_on_browse_dragged_to_cancel_and_released_cancels(self):
        self.start()
        self.hover(e2e.BROWSE)
        self.session.press()
        self.hover(e2e.CANCEL)  # the pointer is captured; hover tracking goes on
        self.session.release()
        self.assert_ended_cleanly([])

    def test_press_dragged_off_the_buttons_does_nothing_until_a_later_click_off_the_buttons_closes(self):
        self.start()
        self.hover(e2e.SETUP)
        self.session.press()
        self.session.move(*e2e.BACKGROUND_POINT)
        _, difference = self.launcher.wait_for_picture(e2e.expected_window(e2e.LAUNCHER_EXE, 24, e2e.REST))
        self.assertFalse(difference, "button 0 still lit after the pointer left it: %s" % difference)
        self.session.release()
        # Input is handled in order: once the browse button lights up, the release has been handled.
        self.hover(e2e.BROWSE)
        self.assertTrue(self.process.running(), "the launcher closed on a release off the buttons")
        self.assertEqual(self.launcher.stub_runs(still_running=[self.process]), [])
        self.session.move(*e2e.BACKGROUND_POINT)
        self.session.click()
        self.assert_ended_cleanly([])

    def test_launcher_in_a_subfolder_starts_the_setup_beside_it_and_never_a_decoy_on_the_root(self):
        self.start(folder="Setup Files", extra={"Setup.exe": e2e.RECORDER_EXE})
        self.hover(e2e.SETUP)
        self.session.click()
        self.assert_ended_cleanly([("D:\\Setup Files\\SETUP32.EXE", '"D:\\Setup Files\\SETUP32.EXE"')])


class RegistryTests(ActionCase):
    """The registry, exported whole before and after, differs only in what Wine itself keeps
    (e2e_support.WINE_REGISTRY_BOOKKEEPING); both with the product installed and without."""
    session_name = "actions-registry"

    def run_paths(self, paths, installed=False):
        before = self.session.reg_export()
        for path in paths:
            with self.subTest(path=path):
                self.launcher.clear_stub_log()
                self.start()
                if path == "background":
                    self.session.move(*e2e.BACKGROUND_POINT)
                else:
                    self.hover(path, installed=installed)
                self.session.click()
                self.assertEqual(self.process.exit_code(timeout=30), 0)
                self.assertEqual(len(self.launcher.stub_runs()), 1 if path in (e2e.SETUP, e2e.BROWSE) else 0)
        after = self.session.reg_export()
        self.assertEqual(e2e.registry_changes(before, after), [])

    def test_no_registry_writes_without_the_product_installed(self):
        self.run_paths(["background", e2e.CANCEL, e2e.SETUP, e2e.BROWSE])

    def test_no_registry_writes_with_the_product_installed(self):
        self.launcher.set_installed(e2e.UNINSTALL_COMMAND)
        self.addCleanup(self.launcher.set_installed, None)
        self.run_paths([e2e.SETUP], installed=True)


if __name__ == "__main__":
    e2e.main()
