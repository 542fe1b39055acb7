"""A program that needs elevation still starts. Under User Account Control, starting a program that asks
for elevation with WinExec fails with last error 740; the launcher then starts the same command through
the shell (ShellExecuteExA), with the program and its parameters split as the system splits a command line.
Wine has no User Account Control, so the test builds LAUNCH740.EXE and LAUNCH5.EXE stand in: in them every
WinExec call is replaced by a start that fails with last error 740 or 5 and starts nothing. What is then
started really comes from the shell, and the recorder stub logs how the shell started it."""
import pytest

import e2e_support as e2e


@pytest.fixture(scope="module")
def launcher_session(launcher_session):
    launcher_session.place_recorder(e2e.WINDOWS_BROWSER)
    launcher_session.place_recorder(e2e.UNINSTALLER)
    return launcher_session


def click(launcher, exe, button, installed=False, folder=""):
    """Starts `exe` from the medium, clicks `button`; returns the programs started, after exit code 0."""
    path = launcher.lay_medium(exe=exe, folder=folder)
    process, _ = launcher.start(path)
    launcher.display.move(*e2e.button_centre(button))
    expected = e2e.expected_window(exe, 24, e2e.hovered(button), installed=installed)
    _, difference = launcher.wait_for_picture(expected)
    assert not difference, "button %d is not lit: %s" % (button, difference)
    launcher.display.click()
    assert process.exit_code(timeout=30) == 0
    return launcher.stub_runs()


def test_setup_that_needs_elevation_is_started_through_the_shell(launcher):
    assert click(launcher, e2e.LAUNCHER740_EXE, e2e.SETUP) == [("D:\\SETUP32.EXE", '"D:\\SETUP32.EXE"')]


def test_setup_in_a_folder_with_a_space_is_started_whole_through_the_shell(launcher):
    assert click(launcher, e2e.LAUNCHER740_EXE, e2e.SETUP, folder="Setup Files") == \
        [("D:\\Setup Files\\SETUP32.EXE", '"D:\\Setup Files\\SETUP32.EXE"')]


def test_uninstall_command_is_split_into_its_quoted_program_and_its_parameters(launcher):
    launcher.set_installed(e2e.UNINSTALL_COMMAND)
    try:
        assert click(launcher, e2e.LAUNCHER740_EXE, e2e.SETUP, installed=True) == \
            [(e2e.UNINSTALLER, e2e.UNINSTALL_COMMAND)]
    finally:
        launcher.set_installed(None)


def test_browser_is_split_into_its_program_and_the_drive_root(launcher):
    assert click(launcher, e2e.LAUNCHER740_EXE, e2e.BROWSE) == \
        [(e2e.WINDOWS_BROWSER, '"C:\\windows\\EXPLORER.EXE" D:\\')]


@pytest.mark.parametrize("button", [e2e.SETUP, e2e.BROWSE], ids=["setup", "browse"])
def test_any_other_failure_to_start_starts_nothing_more(launcher, button):
    assert click(launcher, e2e.LAUNCHER5_EXE, button) == []
