"""Fixtures of the end-to-end tests: a launcher session (private X screen, Wine prefix and wineserver, the
launcher on CD-ROM drive D:) per test module and screen depth, reset before every test.

On a host that cannot run Wine programs of the build's architecture every test is skipped, and the run
exits with 77, which CTest counts as skipped."""
import pytest

import e2e_support as e2e
import sounds
from wine_host import arch_from_environment, host_can_run

HOST_CAN_RUN, HOST_REASON = host_can_run(arch_from_environment())


def pytest_collection_modifyitems(config, items):
    if not HOST_CAN_RUN:
        for item in items:
            item.add_marker(pytest.mark.skip(reason=HOST_REASON))


def pytest_sessionfinish(session, exitstatus):
    if not HOST_CAN_RUN and exitstatus in (pytest.ExitCode.OK, pytest.ExitCode.NO_TESTS_COLLECTED):
        session.exitstatus = 77


@pytest.fixture(scope="module")
def launcher_session(request):
    """One LauncherSession for a test module; its screen depth is the parameter (24 when not
    parametrized)."""
    depth = getattr(request, "param", 24)
    name = "%s-depth%d" % (request.module.__name__.replace("test_", ""), depth)
    with e2e.LauncherSession(name, depth=depth) as launcher:
        launcher.lay_medium()
        yield launcher


@pytest.fixture
def launcher(launcher_session):
    """The module's launcher session with no sound and no stub run remembered; launchers a test left
    running are closed after it."""
    launcher_session.sound.clear()
    launcher_session.clear_stub_log()
    yield launcher_session
    launcher_session.stop_running()


@pytest.fixture(scope="module")
def welcome_length():
    return sounds.wav_duration(e2e.exe_sound(e2e.LAUNCHER_EXE, e2e.WELCOME_SOUND_ID))


@pytest.fixture(scope="module")
def hover_sound():
    """(duration in seconds, samples) of the launcher's hover sound."""
    wav = e2e.exe_sound(e2e.LAUNCHER_EXE, e2e.HOVER_SOUND_ID)
    return sounds.wav_duration(wav), sounds.wav_data(wav)
