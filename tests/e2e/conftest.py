"""Fixtures of the end-to-end tests: a launcher session (private X screen, Wine prefix and wineserver, the
launcher on CD-ROM drive D:) per test module and screen depth, reset before every test and checked for
crashes after it. The build tree, Wine architecture, programs and product come from the root conftest
(tests/conftest.py), which also skips every test here on a host that cannot run the build's Wine."""
import os
import shutil
import subprocess
import sys

import pytest

from launcherkit import SOURCE_DIR
from launcherkit.wine import sounds
from launcherkit.wine.launcher_session import LauncherSession


@pytest.fixture(scope="session")
def screenshot_dir(build_dir):
    return os.path.join(build_dir, "screenshots")


@pytest.fixture(scope="session")
def open_launcher_session(build_dir, arch, programs):
    """Opens a LauncherSession of this build for a test module: open_launcher_session(request, depth,
    product, prefix_arch=None). LAUNCHER_KEEP_SESSIONS=1 keeps each session's prefix for a look
    afterwards."""
    keep = os.environ.get("LAUNCHER_KEEP_SESSIONS") == "1"

    def open_session(request, depth, product, prefix_arch=None):
        name = "%s-depth%d" % (request.module.__name__.replace("test_", ""), depth)
        return LauncherSession(build_dir, arch, programs, product, name, depth=depth, keep=keep,
                               log=lambda text: print("harness: " + text, file=sys.stderr),
                               prefix_arch=prefix_arch)
    return open_session


@pytest.fixture(scope="module")
def launcher_session(request, open_launcher_session, product):
    """One LauncherSession for a test module; its screen depth is the parameter (24 when not
    parametrized)."""
    with open_launcher_session(request, getattr(request, "param", 24), product) as launcher:
        launcher.lay_medium()
        yield launcher


@pytest.fixture
def launcher(launcher_session):
    """The module's launcher session with no sound and no stub run remembered. After the test, launchers
    it left running are closed, and the test fails if any launcher it started crashed (Wine ends a
    crashed program with exit code 0)."""
    launcher_session.sound.clear()
    launcher_session.clear_stub_log()
    yield launcher_session
    launcher_session.finish()


@pytest.fixture(scope="session")
def uninstaller(product):
    """A made-up uninstaller of the product, and the command that registers it: a quoted program with
    parameters, as installers write it."""
    program = "C:\\Program Files\\%s\\UNINST.EXE" % product.name
    return program, '"%s" /remove "%s"' % (program, product.name)


@pytest.fixture(scope="session")
def welcome_sound(programs, product):
    """The launcher's welcome sound as the system plays it (sounds.Sound)."""
    return sounds.Sound.from_exe(programs.launcher, product.welcome_sound_id, "the welcome sound")


@pytest.fixture(scope="session")
def hover_sound(programs, product):
    """The launcher's click, played as the pointer enters a button (sounds.Sound)."""
    return sounds.Sound.from_exe(programs.launcher, product.hover_sound_id, "the click")


@pytest.fixture(scope="session")
def make_medium():
    """Runs scripts/make-medium.sh with the arguments given; fails the test with its output when it fails."""
    if shutil.which("xorriso") is None:
        pytest.skip("xorriso is missing (scripts/install-deps.sh installs it)")

    def run(*arguments, timeout=300):
        result = subprocess.run([os.path.join(SOURCE_DIR, "scripts", "make-medium.sh"), *arguments],
                                capture_output=True, text=True, timeout=timeout)
        assert result.returncode == 0, "make-medium.sh failed (%d):\n%s%s" % (result.returncode, result.stdout,
                                                                              result.stderr)
    return run
