"""Libraries and programs planted beside LAUNCH.EXE are never loaded or started. A medium copied into a
folder that others can write to may hold a WINMM.DLL or MSACM32.DLL of a stranger's: neither is one of
the system's known libraries, so the system would look for them in the launcher's folder first. Here Wine
is told to prefer such copies (WINEDLLOVERRIDES winmm,msacm32,msadp32.acm=n,b), as Windows does for
libraries outside its known list; MSADP32.ACM is the codec that the sound library loads by name later.
The planted libraries (tests/stubs/planted_library.c) write a line to the stub log when any process
loads them. The window, both sounds and every action still work, and the launcher exits with
code 0, also in the test build that does without SetDefaultDllDirectories as older systems must.
(Programs planted beside it: test_registered_commands.py.)"""
import pytest

from launcherkit.wine.host import DLL_OVERRIDES
from launcherkit.wine.launcher_session import BROWSER_RUN, WINDOWS_BROWSER
from launcherkit.wine.window import BROWSE, CANCEL, SETUP

PREFER_PLANTED = {"WINEDLLOVERRIDES": DLL_OVERRIDES + ";winmm,msacm32,msadp32.acm=n,b"}
# The codec of the welcome sound (MS ADPCM), which the sound library loads by its bare name while it plays:
# kept to the system folder only by SetDefaultDllDirectories.
LATER_LOADED = "MSADP32.ACM"


@pytest.fixture(scope="module")
def launcher_session(launcher_session, uninstaller):
    launcher_session.place_recorder(WINDOWS_BROWSER)
    launcher_session.place_recorder(uninstaller[0])
    launcher_session.first_run()  # without planted libraries
    return launcher_session


@pytest.fixture(scope="module")
def planted(programs):
    return {"WINMM.DLL": programs.planted_winmm, "MSACM32.DLL": programs.planted_msacm32,
            LATER_LOADED: programs.planted_msacm32}


def assert_no_planted_library_loaded(launcher, process, when):
    runs = launcher.stub_runs(still_running=[process])
    assert [run for run in runs if run[0].upper().endswith((".DLL", ".ACM"))] == [], \
        "a planted library was loaded %s" % when


def run_with_planted_libraries(launcher, planted, button, welcome_sound, hover_sound, installed=False, exe=None):
    """Starts the launcher (`exe`, by default the session's) beside the `planted` libraries, hears the
    welcome sound out, enters `button` (the hover sound) and clicks it; returns the stub log's lines once
    every program has ended."""
    launcher.lay_medium(exe=exe, extra=planted)
    process, _ = launcher.start(env=PREFER_PLANTED)
    assert_no_planted_library_loaded(launcher, process, "before the window showed")
    welcome = launcher.sound.streams(at_least=1)
    assert_no_planted_library_loaded(launcher, process, "with the first sound")
    assert len(welcome) == 1, "the welcome sound: %s" % welcome
    launcher.sound.assert_heard(welcome[0], welcome_sound)

    launcher.hover(button, installed)
    streams = launcher.sound.streams(at_least=2)
    assert len(streams) == 2, "the welcome and the hover sound: %s" % streams
    launcher.sound.assert_heard(streams[1], hover_sound)

    launcher.display.click()
    assert process.exit_code(timeout=30) == 0
    return launcher.stub_runs()


@pytest.mark.parametrize("button, installed, started", [
    (SETUP, False, "setup"),
    (SETUP, True, "uninstaller"),
    (BROWSE, False, "browser"),
    (CANCEL, False, None),
], ids=["setup", "remove", "browse", "cancel"])
def test_every_button_with_planted_sound_libraries(launcher, planted, uninstaller, welcome_sound, hover_sound,
                                                   button, installed, started):
    expected_runs = {"setup": [launcher.setup_run()], "uninstaller": [uninstaller],
                     "browser": [BROWSER_RUN], None: []}[started]
    launcher.set_installed(uninstaller[1] if installed else None)
    try:
        assert run_with_planted_libraries(launcher, planted, button, welcome_sound, hover_sound,
                                          installed) == expected_runs
    finally:
        launcher.set_installed(None)


def test_without_set_default_dll_directories_no_planted_library_is_loaded_either(launcher, programs, planted,
                                                                                  welcome_sound, hover_sound):
    """Where the system lacks SetDefaultDllDirectories, the sound library's own imports (MSACM32.DLL) are
    kept to the system folder only by the way the launcher loads it; the codec it loads later by name
    follows the system's search order there, which the launcher cannot change."""
    imports_only = {name: path for name, path in planted.items() if name != LATER_LOADED}
    assert run_with_planted_libraries(launcher, imports_only, CANCEL, welcome_sound, hover_sound,
                                      exe=programs.launcher_xp) == []
