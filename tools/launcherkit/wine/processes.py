"""The processes of a test session, found by its marker and ended by their handles, and the safety nets that
end a session left open: exit, signals, and a watchdog that survives SIGKILL (python3 -m ...processes DIR)."""

import atexit
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from contextlib import suppress
from pathlib import Path

from launcherkit import SOURCE_DIR, KitError
from launcherkit.wine.host import WINE_DIR, WINESERVER

# The programs as which Wine runs a Windows process (the loader, and the preloader it becomes).
WINE_LOADERS = ("wine", "wine64", "wine-preloader", "wine64-preloader")


def marked_processes(marker):
    """Pids of the processes whose environment carries LAUNCHER_TEST_SESSION=marker."""
    needle = b"\0LAUNCHER_TEST_SESSION=" + marker.encode() + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit() and int(entry) != os.getpid():
            with suppress(OSError):
                if needle in b"\0" + Path("/proc/%s/environ" % entry).read_bytes() + b"\0":
                    found.append(int(entry))
    return found


def process_command_line(pid):
    try:
        return Path("/proc/%d/cmdline" % pid).read_bytes().replace(b"\0", b" ").decode("utf-8", "replace").strip()
    except OSError:
        return ""


def is_wine_program(pid):
    """Whether the process runs a Windows program (its executable is one of Wine's loaders)."""
    try:
        folder, name = os.path.split(os.readlink("/proc/%d/exe" % pid))
    except OSError:
        return False  # ended, or a zombie
    return folder == WINE_DIR and name in WINE_LOADERS


def kill_marked_processes(marker):
    """SIGKILL for every process that still carries the session's marker; returns their command lines."""
    killed = []
    for _ in range(5):
        pids = marked_processes(marker)
        if not pids:
            break
        for pid in pids:
            killed.append(process_command_line(pid))
            with suppress(OSError):
                os.kill(pid, signal.SIGKILL)
        time.sleep(0.1)
    return killed


def kill_wineserver(env=None):
    """`wineserver -k` for the prefix of `env` (by default this process's environment)."""
    with suppress(subprocess.TimeoutExpired, OSError):
        subprocess.run([WINESERVER, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def stop_popen(process, timeout=5):
    """Ends a process started by the harness: SIGTERM, then SIGKILL; always reaps it."""
    if process is not None and process.poll() is None:
        try:
            process.terminate()
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=timeout)
        except OSError:
            pass


def remove_stale_prefixes(sessions_dir):
    """Removes the prefixes (not the logs) of session folders whose test process is gone."""
    for name in os.listdir(sessions_dir) if os.path.isdir(sessions_dir) else ():
        match = re.search(r"-(\d+)-\d+$", name)
        if match and not os.path.exists("/proc/%s" % match.group(1)):
            shutil.rmtree(os.path.join(sessions_dir, name, "prefix"), ignore_errors=True)


class WineCrashedAtExit(KitError, AssertionError):
    """Wine's own process died of a fault in Wine's code, not of an exception of the Windows program."""


# Wine reports a Windows program's own faults as exceptions (exit code 0); its process ends by signal 11 only
# when Wine's code faults: seen about once in a hundred closes under load, a thread inside a wineserver call
# takes the exit signal and Wine's handler faults (no Windows frame on the stack, nothing under +seh).
WINE_FAULT = "Wine itself ended %s with signal 11 while the program exited: a fault in Wine's own code " \
    "(i386-unix/ntdll.so, NtCurrentTeb in the exit signal's handler of a thread inside a wineserver call), " \
    "not the program's, whose faults Wine reports as exceptions; the program's own exit code is lost"


class WineProcess:
    """A Windows program started in a session."""

    def __init__(self, popen, command, log_path, stdout_path):
        self.popen, self.pid, self.command = popen, popen.pid, command
        self.log_path, self.stdout_path = log_path, stdout_path

    def running(self):
        return self.popen.poll() is None

    def exit_code(self, timeout=30):
        """The Windows exit code; raises subprocess.TimeoutExpired, or WineCrashedAtExit (WINE_FAULT)."""
        code = self.popen.wait(timeout=timeout)
        if code == -signal.SIGSEGV:
            raise WineCrashedAtExit(WINE_FAULT % self.command[-1])
        return code

    def output(self):
        return Path(self.stdout_path).read_text("utf-8", "replace") if self.stdout_path else ""

    def log(self):
        return Path(self.log_path).read_text("utf-8", "replace")


# The sessions of this test process that are still open: closed at exit and on SIGTERM, SIGHUP and SIGINT
# (test runners catch a test's exceptions, so the signal handler closes them itself).
open_sessions = []
_handlers_installed = False


def _close_open_sessions(signum=None, _frame=None):
    for session in list(open_sessions):
        session.close()
    if signum is not None:
        signal.signal(signum, signal.SIG_DFL)
        os.kill(os.getpid(), signum)


def watch_session(session):
    global _handlers_installed
    if not _handlers_installed:
        _handlers_installed = True
        atexit.register(_close_open_sessions)
        for signum in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            try:
                if signal.getsignal(signum) in (signal.SIG_DFL, signal.default_int_handler):
                    signal.signal(signum, _close_open_sessions)
            except ValueError:
                pass  # not the main thread
    open_sessions.append(session)


def start_watchdog(session_dir, env):
    """This module in a process session of its own, holding a pipe from this process, whose end wakes it when
    this process dies without closing the session (even by SIGKILL, as CTest's timeout does)."""
    watchdog_env = {name: value for name, value in env.items() if name != "LAUNCHER_TEST_SESSION"}
    # The kit on the watchdog's module path, wherever this process found it.
    tools = os.path.join(SOURCE_DIR, "tools")
    watchdog_env["PYTHONPATH"] = os.pathsep.join(filter(None, [tools, env.get("PYTHONPATH")]))
    return subprocess.Popen([sys.executable, "-m", "launcherkit.wine.processes", session_dir],
                            stdin=subprocess.PIPE, env=watchdog_env, start_new_session=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def dismiss_watchdog(watchdog):
    try:
        watchdog.stdin.write(b"done\n")
        watchdog.stdin.close()
        watchdog.wait(timeout=10)
    except (OSError, subprocess.TimeoutExpired):
        stop_popen(watchdog)


if __name__ == "__main__":
    if sys.stdin.buffer.read().strip() != b"done":
        kill_wineserver()
        kill_marked_processes(sys.argv[1])
        shutil.rmtree(os.path.join(sys.argv[1], "prefix"), ignore_errors=True)
