"""The tests' CTest settings (ctest_settings.CTEST, read once) as session fixtures: build_dir, arch, product,
programs, launcher_exe, and ctest(NAME) for a variable of a test's own.

On a host that cannot run Wine programs of the build's architecture every end-to-end test (tests/e2e) is
skipped, and the run exits with 77, which CTest counts as skipped."""
import os
from pathlib import Path

import pytest

from ctest_settings import CTEST, variable
from launcherkit.wine.host import host_can_run

E2E = os.path.join(os.path.dirname(os.path.abspath(__file__)), "e2e")
HOST_CANNOT_RUN = pytest.StashKey[bool]()


def pytest_collection_modifyitems(config, items):
    e2e = [item for item in items if str(item.path).startswith(E2E + os.sep)]
    if not e2e:
        return
    can_run, reason = host_can_run(CTEST.arch)
    config.stash[HOST_CANNOT_RUN] = not can_run
    if not can_run:
        for item in e2e:
            item.add_marker(pytest.mark.skip(reason=reason))


def pytest_sessionfinish(session, exitstatus):
    if session.config.stash.get(HOST_CANNOT_RUN, False) and exitstatus in (pytest.ExitCode.OK,
                                                                          pytest.ExitCode.NO_TESTS_COLLECTED):
        session.exitstatus = 77


@pytest.fixture(scope="session")
def ctest():
    """ctest(NAME): a variable of CTest's environment that a test of its own is given."""
    return variable


@pytest.fixture(scope="session")
def build_dir():
    return CTEST.build_dir


@pytest.fixture(scope="session")
def arch():
    return CTEST.arch


@pytest.fixture(scope="session")
def programs():
    return CTEST.programs


@pytest.fixture(scope="session")
def product():
    """The product this build tree is configured for."""
    return CTEST.product


@pytest.fixture(scope="session")
def launcher_exe():
    """The launcher of this build (the one to put on a medium)."""
    return Path(CTEST.launcher_exe)
