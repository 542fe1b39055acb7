"""Fixtures of the at-work tests: what they run against, a Wine session per screen depth with the medium
on drive D: and the recorder in place of every program the launcher may start, each test's Checks."""
import os
import shutil
import sys

import pytest

from launcherkit.acceptance import GIVEN, AtWork, Checks, wine_arch
from launcherkit.pe import Executable
from launcherkit.product import Product
from launcherkit.wine.host import host_can_run
from launcherkit.wine.launcher_session import WINDOWS_BROWSER, LauncherSession
from launcherkit.wine.programs import Programs

HOST_CANNOT_RUN = pytest.StashKey[bool]()
UNINSTALLER = "C:\\Program Files\\%s\\UNINST.EXE"


def given(config):
    """check-medium's AtWork; under CTest, the build tree's launcher and product."""
    if GIVEN not in config.stash:
        build = os.environ.get("LAUNCHER_BUILD_DIR")
        if not build:
            raise pytest.UsageError("LAUNCHER_BUILD_DIR is not set: check-medium runs these tests, or CTest "
                                    "as e2e.at_work")
        arch = wine_arch(Executable.open(Programs.in_build(build).launcher))
        config.stash[GIVEN] = AtWork(build=build, product=Product.load(os.environ["LAUNCHER_PROFILE"]), arch=arch,
                                     out=os.path.join(build, "screenshots", "at-work"))
    return config.stash[GIVEN]


def pytest_generate_tests(metafunc):
    if "depth" in metafunc.fixturenames:
        depths = given(metafunc.config).depths
        metafunc.parametrize("depth", depths, scope="module", ids=["depth%d" % d for d in depths])


def pytest_collection_modifyitems(config, items):
    can_run, reason = host_can_run(given(config).arch)
    config.stash[HOST_CANNOT_RUN] = not can_run
    for item in items if not can_run else ():
        item.add_marker(pytest.mark.skip(reason=reason))


def pytest_sessionfinish(session, exitstatus):
    if session.config.stash.get(HOST_CANNOT_RUN, False) and exitstatus == pytest.ExitCode.OK:
        session.exitstatus = 77


@pytest.fixture(scope="session")
def at_work(request):
    return given(request.config)


@pytest.fixture(scope="session")
def uninstaller(at_work):
    """A made-up uninstaller of the product, and the command that registers it."""
    program = UNINSTALLER % at_work.product.volume_name
    return program, '"%s" /remove' % program


@pytest.fixture(scope="module")
def session(at_work, uninstaller, depth):
    """The launcher of the medium in a Wine session on a screen of `depth`, after one run that does Wine's
    own first-run work (devices, sound); the files and the registry as they were then."""
    programs, product = Programs.in_build(at_work.build), at_work.product
    with LauncherSession(at_work.build, at_work.arch, programs, product, "at-work-depth%d" % depth, depth=depth,
                         log=lambda text: print("harness: " + text, file=sys.stderr)) as launcher:
        if at_work.image is None:
            launcher.lay_medium()
        else:
            disc = launcher.insert_disc(at_work.image)
            launcher.exe = os.path.join(disc, product.launcher_file)
            shutil.copyfile(programs.recorder, os.path.join(disc, product.setup_program))
        launcher.sound.kept_dir = at_work.out
        launcher.place_recorder(WINDOWS_BROWSER)
        launcher.place_recorder(uninstaller[0])
        process, _ = launcher.start()
        launcher.sound.streams(at_least=1)
        launcher.close_window(process)
        launcher.finish()
        launcher.before = launcher.file_snapshot(), launcher.registry.export()
        yield launcher


@pytest.fixture
def launcher(session):
    """The session with no sound and no program start remembered; after the test, launchers it left
    running are closed, and a crash fails it (Wine ends a crashed program with exit code 0)."""
    session.sound.clear()
    session.clear_stub_log()
    yield session
    session.finish()


@pytest.fixture
def checks(at_work, depth):
    return Checks("%s at %d bits per pixel" % (at_work.label, depth))
