"""How a Wine session counts the programs still running (launcherkit.wine.session, .processes), without
Wine: real processes stand in for Wine's, and the looks at /proc are played back where the case needs
a sequence. The stub log is read only once every program has ended, so a program counted too early, or
not at all, loses its start."""
import os
import subprocess

import pytest

from launcherkit.wine.processes import WineProcess, marked_processes, stop_popen
from launcherkit.wine.session import WineSession, is_wine_service

P = (4242, "C:\\windows\\system32\\BARENAME.EXE /X")


@pytest.fixture
def session(tmp_path):
    """A session that is never opened: no display, prefix or wineserver."""
    return WineSession(str(tmp_path), "win32", name="counting")


@pytest.fixture
def sleeper():
    """sleeper(env): a process that runs until the test ends."""
    started = []

    def start(env=None):
        started.append(subprocess.Popen(["sleep", "60"], env=env))
        return started[-1]
    yield start
    for popen in started:
        stop_popen(popen)


def test_a_program_seen_after_a_quiet_look_is_waited_for(session, monkeypatch):
    looks = iter([[], [P], [], [], [P]])
    seen = []
    monkeypatch.setattr(session, "wine_processes", lambda: seen.append(1) or next(looks))
    session.wait_programs_ended(timeout=5)
    assert len(seen) == 4, "ended after look %d of [], [p], [], []" % len(seen)


def test_a_started_program_counts_before_it_carries_the_marker(session, sleeper):
    """A program the session started is counted from its start on, although a process in the middle of an
    exec shows no environment, so no marker."""
    popen = sleeper({"PATH": os.environ["PATH"]})
    session._processes.append(WineProcess(popen, ["sleep", "60"], os.devnull, None))
    assert [pid for pid, _ in session.wine_processes()] == [popen.pid]


@pytest.mark.parametrize("command, service", [
    ("C:\\windows\\system32\\services.exe", True),
    ("c:\\windows\\system32\\winedevice.exe", True),
    ("C:\\windows\\system32\\explorer.exe /desktop", True),
    ("c:\\windows\\system32\\explorer.exe d:\\", False),  # the file browser, as the launcher starts it
    ("C:\\windows\\explorer.exe /desktop", False),
    ("D:\\services.exe", False),
    ("C:\\windows\\system32\\services.exe.bak", False),
])
def test_only_wines_own_services_are_not_programs_of_the_session(command, service):
    assert is_wine_service(command) == service


def test_a_session_marker_is_matched_whole(tmp_path, sleeper):
    marker = str(tmp_path / "session-1")
    ours = sleeper(dict(os.environ, LAUNCHER_TEST_SESSION=marker))
    other = sleeper(dict(os.environ, LAUNCHER_TEST_SESSION=marker + "2"))
    found = set(marked_processes(marker))
    assert ours.pid in found and other.pid not in found
