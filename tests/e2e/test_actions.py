"""What a click on LAUNCH.EXE does beyond a click on each button, which the checks of the launcher at work
hold (tools/launcherkit/acceptance, e2e.at_work): presses that are dragged elsewhere start nothing, and a
launcher in a subfolder starts the setup program beside it, never a decoy on the root. Every path ends
with exit code 0 and writes no file of the medium or of the user's folders."""
import pytest

from launcherkit.wine.launcher_session import WINDOWS_BROWSER
from launcherkit.wine.window import BROWSE, CANCEL, REST, SETUP


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

    def __init__(self, launcher, **medium):
        self.launcher = launcher
        path = launcher.lay_medium(**medium)
        self.files_before = launcher.file_snapshot()
        self.process, self.window = launcher.start(path)

    def assert_ended_cleanly(self, expected_runs):
        """Exit code 0, exactly `expected_runs` programs started, nothing written."""
        assert self.process.exit_code(timeout=30) == 0
        assert self.launcher.stub_runs() == expected_runs
        assert self.launcher.file_changes(self.files_before, self.launcher.file_snapshot()) == [], \
            "the launcher changed files"


def test_press_on_browse_dragged_to_cancel_and_released_cancels(launcher):
    run = Run(launcher)
    launcher.hover(BROWSE)
    launcher.display.press()
    launcher.hover(CANCEL)  # the pointer is captured; hover tracking goes on
    launcher.display.release()
    run.assert_ended_cleanly([])


def test_press_dragged_off_the_buttons_does_nothing_until_a_later_click_off_the_buttons_closes(launcher):
    run = Run(launcher)
    launcher.hover(SETUP)
    launcher.display.press()
    launcher.display.move(*launcher.window.background_point)
    launcher.assert_picture(REST, "button 0 still lit after the pointer left it")
    launcher.display.release()
    # Input is handled in order: once the browse button lights up, the release has been handled.
    launcher.hover(BROWSE)
    assert run.process.running(), "the launcher closed on a release off the buttons"
    assert launcher.stub_runs(still_running=[run.process]) == []
    launcher.display.move(*launcher.window.background_point)
    launcher.display.click()
    run.assert_ended_cleanly([])


def test_launcher_in_a_subfolder_starts_the_setup_beside_it_and_never_a_decoy_on_the_root(launcher, programs):
    run = Run(launcher, folder="Setup Files", extra={"Setup.exe": programs.recorder})
    launcher.hover(SETUP)
    launcher.display.click()
    run.assert_ended_cleanly([launcher.setup_run("Setup Files")])
