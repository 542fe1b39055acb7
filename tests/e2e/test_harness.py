"""What the harness must see for the end-to-end tests to mean anything: a program started by its bare
name (as installers register `MsiExec.exe /X{...}` for uninstalling) is waited for before the stub log is
read; a crash of the launcher fails the test, although Wine ends a crashed program with exit code 0; a
fault of Wine's own code at a program's exit is named as Wine's, not the program's; and a build tree named
by a relative path serves as well as one named by its full path."""
import os
import subprocess

import pytest

from launcherkit.wine.launcher_session import LauncherCrashed, LauncherSession
from launcherkit.wine.processes import WineCrashedAtExit, WineProcess
from launcherkit.wine.programs import Programs
from launcherkit.wine.window import CANCEL

# The recorder where a bare name finds it: in the system folder, beside the system's installer service.
BARE_NAME = "BARENAME.EXE"
BARE_NAMED = "C:\\windows\\system32\\" + BARE_NAME


def test_a_program_started_by_its_bare_name_is_waited_for(launcher, programs):
    launcher.place_recorder(BARE_NAMED)
    for attempt in range(4):
        parameter = "/X%d" % attempt
        launcher.clear_stub_log()
        launcher.session.start(programs.poke, ["run", "1", BARE_NAME, parameter])  # POKE starts it as given
        assert launcher.stub_runs() == [(BARE_NAMED, BARE_NAME + " " + parameter)], "attempt %d" % attempt


def test_a_crash_of_the_launcher_fails_the_test_though_its_exit_code_is_0(launcher, programs):
    launcher.lay_medium(exe=programs.launcher_fault)
    process, _ = launcher.start()
    launcher.click(process, CANCEL, exe=programs.launcher_fault)  # the test build writes through a null pointer
    with pytest.raises(LauncherCrashed, match="Unhandled page fault on write access to 0+ "):
        launcher.finish()


def test_a_wine_process_ended_by_signal_11_is_named_as_wines_fault(tmp_path):
    # Wine's own process ends by a signal only when Wine's code faults; a process killed by SIGSEGV stands in.
    popen = subprocess.Popen(["sh", "-c", "kill -SEGV $$"])
    process = WineProcess(popen, ["wine", "D:\\LAUNCH.EXE"], str(tmp_path / "log"), None)
    with pytest.raises(WineCrashedAtExit,
                       match=r"^Wine itself ended D:\\LAUNCH\.EXE with signal 11 .* not the program's"):
        process.exit_code(timeout=30)


def test_a_session_of_a_build_tree_named_relatively_starts_its_programs(build_dir, arch, product, monkeypatch):
    """As tools/launcherkit/wine/README.md shows it: LauncherSession("build/windows", ...), from the
    source folder. Wine runs its programs from drive C:, so a relative path is made absolute first."""
    monkeypatch.chdir(os.path.dirname(os.path.dirname(build_dir)))
    relative = os.path.relpath(build_dir)
    programs = Programs.in_build(relative)
    with LauncherSession(relative, arch, programs, product, "relative") as launcher:
        launcher.lay_medium()
        process, _ = launcher.start()
        assert launcher.close_window(process) == 0
        launcher.finish()
