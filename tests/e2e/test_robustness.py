"""LAUNCH.EXE beside another copy of itself and under other Windows versions: two launchers at once, and
the main cases under Wine's Windows 95, NT 4.0, XP and default version settings.

A thousand pointer moves are a Wine test (tests/wine), where every drawing call and GDI object is counted;
a hidden start (show command SW_HIDE: no window, the welcome sound still plays) is in test_startup.py."""
import re

import pytest

from launcherkit.wine.waiting import wait_until
from launcherkit.wine.window import REST, SETUP, hovered

# Wine 8's names of the Windows versions it can pretend (HKCU\Software\Wine\AppDefaults\<exe>, Version),
# and what the program then sees: (major, minor, platform id; 1 = Windows 9x, 2 = NT).
WINDOWS_VERSIONS = {
    "win95": (4, 0, 1),
    "nt40": (4, 0, 2),
    "winxp": (5, 1, 2),
}
# Wine's per-program settings, by the program's file name.
APP_DEFAULTS = "HKCU\\Software\\Wine\\AppDefaults\\"


def test_two_launchers_at_once_have_two_windows_and_both_exit_0(launcher):
    first, first_window = launcher.start()
    second, second_window = launcher.start()
    assert first.pid != second.pid
    assert first_window.id != second_window.id, "one X window for two launchers"
    for window in (first_window, second_window):
        assert window.geometry == launcher.window.origin + launcher.window.size
    assert len(launcher.windows()) == 2
    # Each closes on its own: the first close leaves the other running.
    launcher.session.poke("close")
    wait_until(lambda: not first.running() or not second.running(), timeout=30, what="one launcher to end")
    assert sum(p.running() for p in (first, second)) == 1
    assert len(launcher.windows()) == 1
    launcher.session.poke("close")
    assert first.exit_code(timeout=30) == 0
    assert second.exit_code(timeout=30) == 0


@pytest.mark.parametrize("version", [None] + sorted(WINDOWS_VERSIONS))
def test_the_main_cases_under_each_windows_version(launcher, product, hover_sound, version):
    """The window's pixels, a hover with one sound, a click on button 0 that starts the setup stub, and
    exit code 0, with the launcher given that version (seen in Wine's +ver trace)."""
    app_defaults = APP_DEFAULTS + product.launcher_file
    if version is None:
        launcher.registry.delete(app_defaults)
    else:
        launcher.registry.add(app_defaults, "Version", "REG_SZ", version)
    try:
        process, window = launcher.start(debug="+ver")
        name = version or "the default version"
        assert window.geometry == launcher.window.origin + launcher.window.size
        launcher.assert_picture(REST, "the window under %s" % name)
        launcher.sound.streams(at_least=1)
        launcher.sound.clear()
        launcher.display.move(*launcher.window.button_centre(SETUP))
        launcher.assert_picture(hovered(SETUP), "button 0 lit under %s" % name)
        streams = launcher.sound.streams(at_least=1)
        assert len(streams) == 1, "one hover sound under %s: %s" % (name, streams)
        launcher.sound.assert_heard(streams[0], hover_sound)
        launcher.display.click()
        assert process.exit_code(timeout=30) == 0
        assert launcher.stub_runs() == [launcher.setup_run()]
    finally:
        launcher.registry.delete(app_defaults)
    match = re.search(r"got (\d+)\.(\d+) platform (\d+)", process.log())
    assert match, "Wine's +ver trace names no version:\n%s" % process.log()[-2000:]
    got = tuple(int(n) for n in match.groups())
    if version is None:
        assert got[2] == 2 and got[:2] >= (6, 1), "Wine 8's default is Windows 7 or later, not %s" % (got,)
    else:
        assert got == WINDOWS_VERSIONS[version], "the launcher ran as %s, not as %s" % (got, version)


def test_libraries_without_their_functions_leave_it_silent_and_starting_nothing(launcher, programs):
    """LAUNCHNOF.EXE: its sound library and shell are a system library with neither PlaySoundA nor
    ShellExecuteExA, and every start fails with 740, so that the shell is asked for as well. What it did
    not find it never calls: it shows, lights the button under the pointer without a sound, starts
    nothing, and exits 0 (the fixture fails the test on a crash, which Wine may end with exit code 0)."""
    path = launcher.lay_medium(exe=programs.launcher_without_functions)
    process, _ = launcher.start(path)
    launcher.click(process, SETUP)
    assert launcher.stub_runs() == []
    assert launcher.sound.streams() == []
