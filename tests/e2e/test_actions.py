"""What a click on LAUNCH.EXE does: the install button starts the setup program beside the launcher (or
the registered uninstall command once the product is installed), the browse button starts the file
browser of the Windows folder on the medium's root (the recorder stub stands in for it), cancel starts
nothing, a click on the background closes at once, and presses that are dragged elsewhere start nothing.
Every path ends with exit code 0 and leaves no trace: no file of the medium or of the user's folders and
no registry value is written."""
import pytest

from launcherkit.wine.launcher_session import BROWSER_RUN, WINDOWS_BROWSER
from launcherkit.wine.snapshots import registry_changes
from launcherkit.wine.window import BROWSE, CANCEL, REST, SETUP, hovered


@pytest.fixture(scope="module")
def launcher_session(launcher_session, uninstaller):
    """The module's session with the recorder as the Windows folder's browser and as the uninstaller that
    the registered command names, after one run of the launcher, so that Wine's own first-run
    bookkeeping (devices, sound) is done before any snapshot."""
    launcher_session.place_recorder(WINDOWS_BROWSER)
    launcher_session.place_recorder(uninstaller[0])
    launcher_session.first_run()
    return launcher_session


class Run:
    """One start of the launcher: the files before it, and the checks of how it ended."""

    def __init__(self, launcher, hear_welcome=False, **medium):
        self.launcher = launcher
        path = launcher.lay_medium(**medium)
        self.files_before = launcher.file_snapshot()
        self.process, self.window = launcher.start(path)
        if hear_welcome:
            # The welcome sound is heard out first, so that the sounds of the next steps can be counted.
            launcher.sound.streams(at_least=1)
            launcher.sound.clear()

    def hover(self, button, installed=False):
        self.launcher.display.move(*self.launcher.window.button_centre(button))
        self.launcher.assert_picture(hovered(button), "button %d is not lit" % button, installed=installed)

    def assert_ended_cleanly(self, expected_runs):
        """Exit code 0, exactly `expected_runs` programs started, nothing written."""
        assert self.process.exit_code(timeout=30) == 0
        assert self.launcher.stub_runs() == expected_runs
        assert self.launcher.file_changes(self.files_before, self.launcher.file_snapshot()) == [], \
            "the launcher changed files"


@pytest.fixture
def installed(launcher, uninstaller):
    launcher.set_installed(uninstaller[1])
    yield launcher
    launcher.set_installed(None)


def test_install_button_starts_the_setup_program_from_the_launcher_folder(launcher):
    run = Run(launcher)
    run.hover(SETUP)
    launcher.display.click()
    run.assert_ended_cleanly([launcher.setup_run()])


def test_installed_product_install_button_runs_the_registered_uninstall_command_exactly(installed, uninstaller):
    run = Run(installed)
    run.hover(SETUP, installed=True)
    installed.display.click()
    run.assert_ended_cleanly([uninstaller])


def test_browse_button_starts_the_windows_folder_browser_on_the_medium_never_one_beside_the_launcher(launcher):
    run = Run(launcher)
    run.hover(BROWSE)
    launcher.display.click()
    run.assert_ended_cleanly([BROWSER_RUN])


def test_cancel_button_starts_nothing(launcher):
    run = Run(launcher)
    run.hover(CANCEL)
    launcher.display.click()
    run.assert_ended_cleanly([])


def test_click_on_the_background_closes_without_sound_or_program(launcher):
    run = Run(launcher, hear_welcome=True)
    launcher.display.move(*launcher.window.background_point)
    launcher.display.click()
    run.assert_ended_cleanly([])
    assert launcher.sound.streams() == []


def test_press_on_browse_dragged_to_cancel_and_released_cancels(launcher):
    run = Run(launcher)
    run.hover(BROWSE)
    launcher.display.press()
    run.hover(CANCEL)  # the pointer is captured; hover tracking goes on
    launcher.display.release()
    run.assert_ended_cleanly([])


def test_press_dragged_off_the_buttons_does_nothing_until_a_later_click_off_the_buttons_closes(launcher):
    run = Run(launcher)
    run.hover(SETUP)
    launcher.display.press()
    launcher.display.move(*launcher.window.background_point)
    launcher.assert_picture(REST, "button 0 still lit after the pointer left it")
    launcher.display.release()
    # Input is handled in order: once the browse button lights up, the release has been handled.
    run.hover(BROWSE)
    assert run.process.running(), "the launcher closed on a release off the buttons"
    assert launcher.stub_runs(still_running=[run.process]) == []
    launcher.display.move(*launcher.window.background_point)
    launcher.display.click()
    run.assert_ended_cleanly([])


def test_launcher_in_a_subfolder_starts_the_setup_beside_it_and_never_a_decoy_on_the_root(launcher, programs):
    run = Run(launcher, folder="Setup Files", extra={"Setup.exe": programs.recorder})
    run.hover(SETUP)
    launcher.display.click()
    run.assert_ended_cleanly([launcher.setup_run("Setup Files")])


def run_every_path_and_compare_the_registry(launcher, paths, installed=False):
    """The registry, exported whole before and after, differs only in what Wine itself keeps
    (snapshots.WINE_REGISTRY_BOOKKEEPING)."""
    before = launcher.registry.export()
    for path in paths:
        launcher.clear_stub_log()
        run = Run(launcher)
        if path == "background":
            launcher.display.move(*launcher.window.background_point)
        else:
            run.hover(path, installed=installed)
        launcher.display.click()
        assert run.process.exit_code(timeout=30) == 0
        assert len(launcher.stub_runs()) == (1 if path in (SETUP, BROWSE) else 0), path
    after = launcher.registry.export()
    assert registry_changes(before, after) == []


def test_no_registry_writes_without_the_product_installed(launcher):
    run_every_path_and_compare_the_registry(launcher, ["background", CANCEL, SETUP, BROWSE])


def test_no_registry_writes_with_the_product_installed(installed):
    run_every_path_and_compare_the_registry(installed, [SETUP], installed=True)
