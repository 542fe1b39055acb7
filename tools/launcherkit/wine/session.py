"""Private Wine sessions: a virtual X display, a Wine prefix, HOME and wineserver of their own, the sound
capture, the registry and the programs started in them; closing one ends everything it started (README.md)."""

import itertools
import os
import re
import shutil
import subprocess
import time
from pathlib import Path

from launcherkit import KitError
from launcherkit.wine.display import XDisplay
from launcherkit.wine.host import WINESERVER, base_environment, wine_command
from launcherkit.wine.prefix import append_registry, copy_prefix, ensure_template
from launcherkit.wine.processes import (WineProcess, dismiss_watchdog, is_wine_program, kill_marked_processes,
                                        kill_wineserver, marked_processes, open_sessions, process_command_line,
                                        remove_stale_prefixes, start_watchdog, stop_popen, watch_session)
from launcherkit.wine.registry import Registry
from launcherkit.wine.sound_capture import SoundCapture
from launcherkit.wine.waiting import wait_until

# Wine's own programs in C:\windows\system32, which run in every prefix while its wineserver does, never a
# session's; and the desktop, explorer.exe /desktop (the file browser is the same program without it).
WINE_SERVICES = ("services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe", "rpcss.exe")
WINE_SYSTEM_FOLDER = "c:\\windows\\system32\\"


class SessionError(KitError):
    """Something of the session itself went wrong (not the program under test)."""


class WineSession:
    """In <build_dir>/test-sessions/<name>-<pid>-<n>/. arch: the programs' Wine (win32, win64); a win64
    prefix_arch runs win32 programs under WoW64. env: variables every program gets. keep: keep the prefix."""

    _counter = itertools.count(1)
    screen_size = (640, 480)

    def __init__(self, build_dir, arch, depth=24, name="session", poke=None, env=None, keep=False, log=None,
                 prefix_arch=None):
        self.arch, self.prefix_arch, self.depth, self.name, self.keep = arch, prefix_arch or arch, depth, name, keep
        self.build_dir = os.path.abspath(build_dir)
        self.poke_program = os.path.abspath(poke) if poke else None
        self.extra_env = dict(env or {})
        self._log = log or (lambda text: None)
        self.wine = wine_command(arch)
        self.dir = os.path.join(self.build_dir, "test-sessions", "%s-%d-%d" % (name, os.getpid(), next(self._counter)))
        self.prefix = os.path.join(self.dir, "prefix")
        self.logs_dir = os.path.join(self.dir, "logs")
        self.env = self.display = self.sound = self._wineserver = self._watchdog = None
        self.registry = Registry(self.run, self.dir)
        self._processes, self._closed = [], False
        self._run_counter = itertools.count(1)

    def __enter__(self):
        try:
            watch_session(self)
            template = ensure_template(self.build_dir, self.prefix_arch, log=self._log)
            remove_stale_prefixes(os.path.dirname(self.dir))
            shutil.rmtree(self.dir, ignore_errors=True)
            home, capture_dir = os.path.join(self.dir, "home"), os.path.join(self.dir, "sound")
            for folder in (home, capture_dir, self.logs_dir):
                os.makedirs(folder)
            copy_prefix(template, self.prefix)
            self.sound = SoundCapture(home, capture_dir, self.dir, self.logs_dir)
            # Unmanaged windows: with no window manager on the virtual screen, Wine would otherwise wait a
            # second or two for one to withdraw every window that closes.
            palette = {"ClientSideGraphics": "N", "PrivateColorMap": "Y"} if self.depth == 8 else {}
            append_registry(os.path.join(self.prefix, "user.reg"), r"Software\Wine\X11 Driver",
                            {"Managed": "N", **palette})
            self.env = base_environment(self.prefix_arch, self.prefix, home, self.dir, program_arch=self.arch)
            self.env.update(self.extra_env)
            self._watchdog = start_watchdog(self.dir, self.env)
            self.display = XDisplay(self.env, self.logs_dir, self.screen_size, self.depth)
            log = open(os.path.join(self.logs_dir, "wineserver.log"), "w")
            self._wineserver = subprocess.Popen([WINESERVER, "-f", "-p"], env=self.env, stdout=log, stderr=log,
                                                stdin=subprocess.DEVNULL)
            log.close()
            # Ready when its socket exists in the server folder it works in.
            wait_until(self._wineserver_ready, timeout=30, interval=0.02, what="the wineserver", error=SessionError)
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _wineserver_ready(self):
        if self._wineserver.poll() is not None:
            raise SessionError("wineserver ended at once (see %s/wineserver.log)" % self.logs_dir)
        try:
            return os.path.exists(os.path.join(os.readlink("/proc/%d/cwd" % self._wineserver.pid), "socket"))
        except OSError:
            return False

    def close(self):
        """Ends everything the session started; safe to call more than once."""
        if self._closed:
            return
        self._closed = True
        open_sessions.remove(self)
        for process in self._processes:
            stop_popen(process.popen, timeout=3)
        if self.env is not None and os.path.isdir(self.prefix):
            kill_wineserver(self.env)
        stop_popen(self._wineserver, timeout=10)
        if self.display is not None:
            self.display.close()
        leftovers = kill_marked_processes(self.dir)
        if leftovers:
            self._log("killed leftover processes of session %s: %s" % (self.name, leftovers))
        if self._watchdog is not None:
            dismiss_watchdog(self._watchdog)
        if not self.keep:
            shutil.rmtree(self.prefix, ignore_errors=True)

    # -- Wine programs ------------------------------------------------------------------------------------

    def start(self, program, args=(), show=None, debug=None, capture_stdout=False, env=None):
        """Starts a Windows program by a Windows or a Unix path. show: a show command, through POKE.EXE (None:
        Wine's own start, SW_SHOWDEFAULT). debug: a WINEDEBUG value (stderr goes to the process's log)."""
        if not re.match(r"^[A-Za-z]:", program) and os.sep in program:
            program = os.path.abspath(program)  # Wine runs its programs from drive C:
        name = re.sub(r"[^A-Za-z0-9]+", "_", re.split(r"[\\/]", program)[-1])
        base = os.path.join(self.logs_dir, "%03d-%s" % (next(self._run_counter), name))
        out_path = base + ".out" if capture_stdout else None
        command = self.wine + ([self._poke(), "run", str(show)] if show is not None else []) + [program, *args]
        run_env = dict(self.env, **(env or {}))
        if debug:
            run_env["WINEDEBUG"] = debug
        with open(base + ".log", "w") as log, (open(out_path, "w") if out_path else log) as out:
            popen = subprocess.Popen(command, env=run_env, stdout=out, stderr=log, stdin=subprocess.DEVNULL,
                                     cwd=os.path.join(self.prefix, "drive_c"))
        process = WineProcess(popen, command, base + ".log", out_path)
        self._processes.append(process)
        return process

    def run(self, program, args=(), timeout=120):
        """Runs a Windows program to its end; returns (exit code, stdout text)."""
        process = self.start(program, args, capture_stdout=True)
        try:
            code = process.exit_code(timeout=timeout)
        except subprocess.TimeoutExpired:
            stop_popen(process.popen)
            raise SessionError("%s %s did not end within %d s" % (program, " ".join(args), timeout))
        return code, process.output()

    def poke(self, *args, timeout=60):
        """Runs POKE.EXE with `args`; returns (exit code, {key: value} of its key=value lines)."""
        code, text = self.run(self._poke(), list(args), timeout=timeout)
        return code, dict((part.strip() for part in line.split("=", 1)) for line in text.splitlines() if "=" in line)

    def _poke(self):
        if not self.poke_program:
            raise SessionError("this session was given no POKE.EXE")
        return self.poke_program

    def wine_processes(self):
        """(pid, command line) of the session's Windows programs still running but Wine's own services."""
        # A program the session started counts from its start on, while `wine` (a shell script) is still
        # becoming Wine's loader; a process in the middle of an exec shows no environment, so no marker.
        started = {process.pid for process in self._processes if process.running()}
        # Not Xvfb, the wineserver, the sound capture's writers.
        programs = [pid for pid in sorted(started.union(marked_processes(self.dir)))
                    if pid in started or is_wine_program(pid)]
        return [(pid, command) for pid, command in zip(programs, map(process_command_line, programs))
                if not is_wine_service(command)]

    def wait_programs_ended(self, timeout=30, ignore=()):
        """Waits until no Windows program of the session but the pids in `ignore` runs: for two looks in a row,
        as a program that a program started can be in the middle of an exec, without its marker, at one."""
        deadline = time.monotonic() + timeout
        quiet_looks = 0
        while True:
            left = [(pid, command) for pid, command in self.wine_processes() if pid not in ignore]
            quiet_looks = 0 if left else quiet_looks + 1
            if quiet_looks == 2:
                return
            if left and time.monotonic() > deadline:
                raise SessionError("programs still running: %s" % left)
            time.sleep(0.05)

    def map_cdrom(self, letter, folder):
        """Maps drive `letter` to a Unix folder as a CD-ROM drive."""
        link = os.path.join(self.prefix, "dosdevices", letter + ":")
        Path(link).unlink(missing_ok=True)
        os.symlink(os.path.abspath(folder), link)
        self.registry.add(r"HKLM\Software\Wine\Drives", letter + ":", "REG_SZ", "cdrom")


def is_wine_service(command):
    """Whether a Wine process's command line is one of WINE_SERVICES or the desktop."""
    lowered = command.lower()
    if not lowered.startswith(WINE_SYSTEM_FOLDER):
        return False
    program, _, arguments = lowered[len(WINE_SYSTEM_FOLDER):].partition(" ")
    return program in WINE_SERVICES or (program == "explorer.exe" and arguments.strip() == "/desktop")
