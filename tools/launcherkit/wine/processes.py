"""The processes of a test session: finding them by the session's marker, ending them by their handles,
the programs started in a session, and the safety nets that end a session whose test process stops
without closing it (signals, exit, and a watchdog that survives even SIGKILL)."""

import atexit
import os
import re
import shutil
import signal
import subprocess
import sys
import time

from launcherkit import KitError
from launcherkit.wine.host import WINE_DIR

# The programs as which Wine runs a Windows process (the loader, and the preloader it becomes).
WINE_LOADERS = ("wine", "wine64", "wine-preloader", "wine64-preloader")


def marked_processes(marker):
    """Pids of the processes whose environment carries LAUNCHER_TEST_SESSION=marker."""
    needle = ("LAUNCHER_TEST_SESSION=" + marker).encode() + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open("/proc/%s/environ" % entry, "rb") as f:
                environ = f.read() + b"\0"
        except OSError:
            continue
        if b"\0" + needle in b"\0" + environ:
            found.append(int(entry))
    return found


def process_command_line(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
    except OSError:
        return ""


def is_wine_program(pid):
    """Whether the process runs a Windows program (its executable is one of Wine's loaders)."""
    try:
        executable = os.readlink("/proc/%d/exe" % pid)
    except OSError:
        return False  # ended, or a zombie
    folder, name = os.path.split(executable)
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
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        time.sleep(0.1)
    return killed


def stop_popen(process, timeout=5):
    """Ends a process started by the harness: SIGTERM, then SIGKILL; always reaps it."""
    if process is None:
        return
    if process.poll() is None:
        try:
            process.terminate()
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=timeout)
        except OSError:
            pass


def remove_stale_prefixes(sessions_dir):
    """Removes the prefixes of session folders whose test process is gone (killed before it could close
    them); their logs stay."""
    if not os.path.isdir(sessions_dir):
        return
    for name in os.listdir(sessions_dir):
        match = re.search(r"-(\d+)-\d+$", name)
        prefix = os.path.join(sessions_dir, name, "prefix")
        if match and os.path.isdir(prefix) and not os.path.exists("/proc/%s" % match.group(1)):
            shutil.rmtree(prefix, ignore_errors=True)


class WineCrashedAtExit(KitError, AssertionError):
    """Wine's own process died of a fault in Wine's code, not of an exception of the Windows program."""


# A Windows program's own faults reach Wine's exception handling ("wine: Unhandled page fault ..." on its
# standard error, exit code 0); the Wine process itself ends by a signal only when Wine's own code faults.
# Seen about once in a hundred closes of the launcher under load (2 CPU-bound load processes on 2 cores):
# while the process exits, a thread inside a call to the wineserver takes the exit signal, and Wine's
# handler (i386-unix/ntdll.so, NtCurrentTeb -> pthread_getspecific) faults; no Windows frame is on the
# stack, and WINEDEBUG=+seh shows no exception.
WINE_FAULT = "Wine itself ended %s with signal 11 while the program exited: a fault in Wine's own code " \
    "(i386-unix/ntdll.so, NtCurrentTeb in the exit signal's handler of a thread inside a wineserver call), " \
    "not the program's, whose faults Wine reports as exceptions; the program's own exit code is lost"


class WineProcess:
    """A Windows program started in a session."""

    def __init__(self, popen, command, log_path, stdout_path):
        self.popen = popen
        self.pid = popen.pid
        self.command = command
        self.log_path = log_path
        self.stdout_path = stdout_path

    def running(self):
        return self.popen.poll() is None

    def exit_code(self, timeout=30):
        """The Windows exit code; raises subprocess.TimeoutExpired if the program is still running, and
        WineCrashedAtExit where Wine's own process died of signal 11 (WINE_FAULT)."""
        code = self.popen.wait(timeout=timeout)
        if code == -signal.SIGSEGV:
            raise WineCrashedAtExit(WINE_FAULT % self.command[-1])
        return code

    def output(self):
        if not self.stdout_path:
            return ""
        with open(self.stdout_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def log(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()


class OpenSessions:
    """The sessions of this test process that are still open, closed on exit and on SIGTERM, SIGHUP and
    SIGINT (test runners catch a test's exceptions, so the signal handler closes them itself)."""

    def __init__(self):
        self._sessions = []
        self._installed = False

    def add(self, session):
        self._install()
        self._sessions.append(session)

    def remove(self, session):
        if session in self._sessions:
            self._sessions.remove(session)

    def close_all(self):
        for session in list(self._sessions):
            session.close()

    def _exit_on_signal(self, signum, frame):
        self.close_all()
        signal.signal(signum, signal.SIG_DFL)
        os.kill(os.getpid(), signum)

    def _install(self):
        if self._installed:
            return
        self._installed = True
        atexit.register(self.close_all)
        for signum in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            try:
                if signal.getsignal(signum) in (signal.SIG_DFL, signal.default_int_handler):
                    signal.signal(signum, self._exit_on_signal)
            except ValueError:
                pass  # not the main thread


open_sessions = OpenSessions()


class Watchdog:
    """The reaper (launcherkit.wine.reaper) in a process session of its own, holding a pipe from this
    process. When this process dies without closing the session (even by SIGKILL, as CTest's timeout
    does), the end of the pipe wakes it and it ends the session's wineserver and processes. It does not
    carry the session's marker itself."""

    def __init__(self, session_dir, wineserver, env):
        watchdog_env = dict(env)
        watchdog_env.pop("LAUNCHER_TEST_SESSION", None)
        # The kit's folder on the reaper's module path, wherever this process found it.
        kit_parent = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        watchdog_env["PYTHONPATH"] = os.pathsep.join(filter(None, [kit_parent, env.get("PYTHONPATH")]))
        self._process = subprocess.Popen(
            [sys.executable, "-m", "launcherkit.wine.reaper", session_dir, wineserver],
            stdin=subprocess.PIPE, env=watchdog_env, start_new_session=True,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def dismiss(self):
        """The session closed by itself: the watchdog ends without doing anything."""
        try:
            self._process.stdin.write(b"done\n")
            self._process.stdin.close()
            self._process.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            stop_popen(self._process)
