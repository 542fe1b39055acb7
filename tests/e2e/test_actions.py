"""What a click on LAUNCH.EXE does: the install button starts the setup program beside the launcher (or
the registered uninstall command once the product is installed), the browse button starts the file
browser of the Windows folder on the medium's root (the recorder stub stands in for it), cancel starts
nothing, a click on the background closes at once, and presses that are dragged elsewhere start nothing.
Every path ends with exit code 0 and leaves no trace: no file of the medium or of the user's folders and
no registry value is written."""
import os

import pytest

import e2e_support as e2e


@pytest.fixture(scope="module")
def launcher_session(launcher_session):
    """The module's session with the recorder as the Windows folder's browser and as the uninstaller that
    the registered command names, after one run of the launcher, so that Wine's own first-run
    bookkeeping (devices, sound) is done before any snapshot."""
    launcher_session.place_recorder(e2e.WINDOWS_BROWSER)
    launcher_session.place_recorder(e2e.UNINSTALLER)
    launcher_session.first_run()
    return launcher_session


class Run:
    """One start of the launcher: the files before it, and the checks of how it ended."""

    def __init__(self, launcher, hear_welcome=False, **medium):
        self.launcher = launcher
        self.users = os.path.join(launcher.session.prefix, "drive_c", "users")
        path = launcher.lay_medium(**medium)
        self.files_before = self.snapshot()
        self.process, self.window = launcher.start(path)
        if hear_welcome:
            # The welcome sound is heard out first, so that the sounds of the next steps can be counted.
            launcher.sound.streams(at_least=1)
            launcher.sound.clear()

    def snapshot(self):
        return {"medium": e2e.file_snapshot(self.launcher.medium),
                "users": e2e.file_snapshot(self.users, ignore=e2e.WINE_USER_FILES)}

    def hover(self, button, installed=False):
        self.launcher.display.move(*e2e.button_centre(button))
        self.launcher.assert_picture(e2e.hovered(button), "button %d is not lit" % button, installed=installed)

    def assert_ended_cleanly(self, expected_runs):
        """Exit code 0, exactly `expected_runs` programs started, nothing written."""
        assert self.process.exit_code(timeout=30) == 0
        assert self.launcher.stub_runs() == expected_runs
        after = self.snapshot()
        for place in ("medium", "users"):
            assert e2e.snapshot_changes(self.files_before[place], after[place]) == [], \
                "the launcher changed files in the %s" % place


@pytest.fixture
def installed(launcher):
    launcher.set_installed(e2e.UNINSTALL_COMMAND)
    yield launcher
    launcher.set_installed(None)


def test_install_button_starts_setup32_from_the_launcher_folder(launcher):
    run = Run(launcher)
    run.hover(e2e.SETUP)
    launcher.display.click()
    run.assert_ended_cleanly([("D:\\SETUP32.EXE", '"D:\\SETUP32.EXE"')])


def test_installed_product_install_button_runs_the_registered_uninstall_command_exactly(installed):
    run = Run(installed)
    run.hover(e2e.SETUP, installed=True)
    installed.display.click()
    run.assert_ended_cleanly([(e2e.UNINSTALLER, e2e.UNINSTALL_COMMAND)])


def test_browse_button_starts_the_windows_folder_browser_on_the_medium_never_one_beside_the_launcher(launcher):
    run = Run(launcher)
    run.hover(e2e.BROWSE)
    launcher.display.click()
    run.assert_ended_cleanly([(e2e.WINDOWS_BROWSER, "C:\\windows\\EXPLORER.EXE D:\\")])


def test_cancel_button_starts_nothing(launcher):
    run = Run(launcher)
    run.hover(e2e.CANCEL)
    launcher.display.click()
    run.assert_ended_cleanly([])


def test_click_on_the_background_closes_without_sound_or_program(launcher):
    run = Run(launcher, hear_welcome=True)
    launcher.display.move(*e2e.BACKGROUND_POINT)
    launcher.display.click()
    run.assert_ended_cleanly([])
    assert launcher.sound.streams() == []


def test_press_on_browse_dragged_to_cancel_and_released_cancels(launcher):
    run = Run(launcher)
    run.hover(e2e.BROWSE)
    launcher.display.press()
    run.hover(e2e.CANCEL)  # the pointer is captured; hover tracking goes on
    launcher.display.release()
    run.assert_ended_cleanly([])


def test_press_dragged_off_the_buttons_does_nothing_until_a_later_click_off_the_buttons_closes(launcher):
    run = Run(launcher)
    run.hover(e2e.SETUP)
    launcher.display.press()
    launcher.display.move(*e2e.BACKGROUND_POINT)
    launcher.assert_picture(e2e.REST, "button 0 still lit after the pointer left it")
    launcher.display.release()
    # Input is handled in order: once the browse button lights up, the release has been handled.
    run.hover(e2e.BROWSE)
    assert run.process.running(), "the launcher closed on a release off the buttons"
    assert launcher.stub_runs(still_running=[run.process]) == []
    launcher.display.move(*e2e.BACKGROUND_POINT)
    launcher.display.click()
    run.assert_ended_cleanly([])


def test_launcher_in_a_subfolder_starts_the_setup_beside_it_and_never_a_decoy_on_the_root(launcher):
    run = Run(launcher, folder="Setup Files", extra={"Setup.exe": e2e.RECORDER_EXE})
    run.hover(e2e.SETUP)
    launcher.display.click()
    run.assert_ended_cleanly([("D:\\Setup Files\\SETUP32.EXE", '"D:\\Setup Files\\SETUP32.EXE"')])


def run_every_path_and_compare_the_registry(launcher, paths, installed=False):
    """The registry, exported whole before and after, differs only in what Wine itself keeps
    (e2e_support.WINE_REGISTRY_BOOKKEEPING)."""
    before = launcher.registry.export()
    for path in paths:
        launcher.clear_stub_log()
        run = Run(launcher)
        if path == "background":
            launcher.display.move(*e2e.BACKGROUND_POINT)
        else:
            run.hover(path, installed=installed)
        launcher.display.click()
        assert run.process.exit_code(timeout=30) == 0
        assert len(launcher.stub_runs()) == (1 if path in (e2e.SETUP, e2e.BROWSE) else 0), path
    after = launcher.registry.export()
    assert e2e.registry_changes(before, after) == []


def test_no_registry_writes_without_the_product_installed(launcher):
    run_every_path_and_compare_the_registry(launcher, ["background", e2e.CANCEL, e2e.SETUP, e2e.BROWSE])


def test_no_registry_writes_with_the_product_installed(installed):
    run_every_path_and_compare_the_registry(installed, [e2e.SETUP], installed=True)
