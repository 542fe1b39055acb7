"""A program that needs elevation still starts. Under User Account Control, starting a program that asks
for elevation with WinExec fails with last error 740; the launcher then starts the same command through
the shell (ShellExecuteExA), with the program and its parameters split as the system splits a command line.
Wine has no User Account Control, so the test builds LAUNCH740.EXE and LAUNCH5.EXE stand in: in them every
WinExec call is replaced by a start that fails with last error 740 or 5 and starts nothing. What is then
started really comes from the shell, and the recorder stub logs how the shell started it."""
import pytest

from launcherkit.wine.launcher_session import WINDOWS_BROWSER
from launcherkit.wine.window import BROWSE, SETUP


@pytest.fixture(scope="module")
def launcher_session(launcher_session, uninstaller):
    launcher_session.place_recorder(WINDOWS_BROWSER)
    launcher_session.place_recorder(uninstaller[0])
    return launcher_session


def click(launcher, exe, button, installed=False, folder=""):
    """Starts `exe` from the medium, clicks `button`; returns the programs started, after exit code 0."""
    path = launcher.lay_medium(exe=exe, folder=folder)
    process, _ = launcher.start(path)
    launcher.click(process, button, installed, exe)
    return launcher.stub_runs()


def test_setup_that_needs_elevation_is_started_through_the_shell(launcher, programs):
    assert click(launcher, programs.launcher740, SETUP) == [launcher.setup_run()]


def test_setup_in_a_folder_with_a_space_is_started_whole_through_the_shell(launcher, programs):
    assert click(launcher, programs.launcher740, SETUP, folder="Setup Files") == [launcher.setup_run("Setup Files")]


def test_uninstall_command_is_split_into_its_quoted_program_and_its_parameters(launcher, programs, uninstaller):
    launcher.set_installed(uninstaller[1])
    try:
        assert click(launcher, programs.launcher740, SETUP, installed=True) == [uninstaller]
    finally:
        launcher.set_installed(None)


def test_browser_is_split_into_its_program_and_the_drive_root(launcher, programs):
    assert click(launcher, programs.launcher740, BROWSE) == \
        [(WINDOWS_BROWSER, '"C:\\windows\\EXPLORER.EXE" D:\\')]


@pytest.mark.parametrize("button", [SETUP, BROWSE], ids=["setup", "browse"])
def test_any_other_failure_to_start_starts_nothing_more(launcher, programs, button):
    assert click(launcher, programs.launcher5, button) == []


def test_an_unquoted_uninstall_command_is_split_at_the_first_prefix_that_names_a_program(launcher, programs,
                                                                                         uninstaller):
    # As process creation reads it: "C:\Program" names nothing, the whole path does.
    program = uninstaller[0]
    launcher.set_installed(program + " /remove")
    try:
        assert click(launcher, programs.launcher740, SETUP, installed=True) == [(program, '"%s" /remove' % program)]
    finally:
        launcher.set_installed(None)
