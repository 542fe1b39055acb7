"""Private Wine sessions for tests: a virtual X display, a Wine prefix and a wineserver of their own.

    with WineSession("win64", depth=24, build_dir="build/windows-x64", name="buttons") as session:
        session.map_cdrom("d", medium_folder)
        launcher = session.start(r"D:\\LAUNCH.EXE")
        window = session.wait_window(launcher.pid)
        session.move(100, 250)
        ...
        assert launcher.exit_code(timeout=30) == 0

Everything a session starts (Xvfb, wineserver, Wine processes, the sound capture writers) carries the
environment variable LAUNCHER_TEST_SESSION=<session folder>; closing the session ends each of them by its
own handle, then runs `wineserver -k` for the session's prefix, and as a last resort kills whatever still
carries the marker. A watchdog process does the same if the test process dies without closing (SIGKILL).
"""

import atexit
import fcntl
import itertools
import os
import re
import shutil
import signal
import subprocess
import sys
import time

import images
import sounds

WINE_DIR = "/usr/lib/wine"
WINESERVER = os.path.join(WINE_DIR, "wineserver")
IMPORT = "/usr/bin/import"
CONVERT = "/usr/bin/convert"
HARNESS_DIR = os.path.dirname(os.path.abspath(__file__))

# The DLLs that would pop up .NET, Gecko or desktop-menu installers, or write menu files into HOME.
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"

# Registry settings of every prefix template (REGEDIT4 text).
TEMPLATE_REGISTRY = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"="alsa"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
"""

# Files of the template below drive_c/windows that are shared with sessions by hard links instead of being
# copied: big program files that Wine never writes once the prefix exists.
SHARED_SUFFIXES = (".dll", ".exe", ".drv", ".sys", ".nls", ".tlb", ".acm", ".ax", ".cpl", ".ocx", ".ttf",
                   ".fon", ".ds", ".mui", ".vxd", ".msstyles")
SHARED_MIN_SIZE = 16 * 1024


class HostCannotRun(Exception):
    """This host cannot run Wine programs of the requested architecture."""


class SessionError(Exception):
    """Something of the session itself went wrong (not the program under test)."""


def wine_command(arch):
    """The command that runs a Windows program of `arch` with Debian's Wine."""
    if arch == "win64":
        return [os.path.join(WINE_DIR, "wine64")]
    if arch == "win32":
        return ["wine"]
    raise ValueError("unknown Wine architecture %r (win32 or win64)" % arch)


def host_can_run(arch):
    """(True, version) if this host can run Wine programs of `arch`, else (False, one-line reason)."""
    loader = os.path.join(WINE_DIR, "wine" if arch == "win32" else "wine64")
    try:
        result = subprocess.run([loader, "--version"], capture_output=True, text=True, timeout=60)
    except OSError as error:
        return False, "%s cannot be executed on this host (%s): %s programs cannot run here" % (
            loader, error.strerror, arch)
    except subprocess.TimeoutExpired:
        return False, "%s --version did not answer" % loader
    if result.returncode != 0:
        return False, "%s --version failed with exit status %d: %s programs cannot run here" % (
            loader, result.returncode, arch)
    return True, result.stdout.strip()


def arch_from_environment():
    return os.environ.get("LAUNCHER_WINE_ARCH", "win64")


def build_dir_from_environment():
    build_dir = os.environ.get("LAUNCHER_BUILD_DIR")
    if build_dir:
        return os.path.abspath(build_dir)
    return os.path.abspath(os.path.join(HARNESS_DIR, "..", "..", "build", "wine-harness"))


def windows_path(unix_path):
    """The path under which a Windows program sees a Unix file (through drive Z:)."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def base_environment(arch, prefix, home, marker):
    env = dict(os.environ)
    for name in ("WINEDEBUG", "WINESERVER", "WINELOADER", "DISPLAY", "WINEDLLPATH"):
        env.pop(name, None)
    env.update({
        "WINEPREFIX": prefix,
        "WINEARCH": arch,
        "HOME": home,
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": DLL_OVERRIDES,
        "LAUNCHER_TEST_SESSION": marker,
    })
    if arch == "win64":
        env["WINELOADER"] = os.path.join(WINE_DIR, "wine64")
    return env


# ---------------------------------------------------------------------------------------------------------
# The prefix template: one per build tree and architecture, made once under a file lock.

def template_root(build_dir, arch):
    return os.path.join(build_dir, "wine-template", arch)


def ensure_template(build_dir, arch, log=None):
    """The path of a ready prefix template; made (about 6-9 s) if missing or made by another Wine."""
    ok, version = host_can_run(arch)
    if not ok:
        raise HostCannotRun(version)
    root = template_root(build_dir, arch)
    os.makedirs(os.path.dirname(root), exist_ok=True)
    prefix = os.path.join(root, "prefix")
    stamp = os.path.join(root, "ready")
    with open(root + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            with open(stamp) as f:
                if f.read().strip() == version:
                    return prefix
        except FileNotFoundError:
            pass
        shutil.rmtree(root, ignore_errors=True)
        home = os.path.join(root, "home")
        os.makedirs(home)
        marker = root
        env = base_environment(arch, prefix, home, marker)
        out = open(os.path.join(root, "make.log"), "w")
        try:
            wine = wine_command(arch)
            subprocess.run(wine + ["wineboot", "-i"], env=env, stdout=out, stderr=out, timeout=300,
                           cwd=root, check=True)
            reg_file = os.path.join(root, "template.reg")
            with open(reg_file, "w", newline="\r\n") as f:
                f.write(TEMPLATE_REGISTRY)
            subprocess.run(wine + ["regedit", "/S", windows_path(reg_file)], env=env, stdout=out, stderr=out,
                           timeout=120, cwd=root, check=True)
            # Let the template's wineserver write the registry and end by itself.
            try:
                subprocess.run([WINESERVER, "-w"], env=env, stdout=out, stderr=out, timeout=60)
            except subprocess.TimeoutExpired:
                subprocess.run([WINESERVER, "-k"], env=env, stdout=out, stderr=out, timeout=60)
        finally:
            out.close()
            kill_marked_processes(marker)
        for name in ("system.reg", "user.reg"):
            if not os.path.exists(os.path.join(prefix, name)):
                raise SessionError("the prefix template has no %s (see %s/make.log)" % (name, root))
        with open(stamp, "w") as f:
            f.write(version + "\n")
        if log:
            log("made the Wine prefix template %s" % prefix)
    return prefix


def copy_prefix(template, target):
    """Copies the template; big program files under drive_c/windows are hard links to the template's."""
    windows_dir = os.path.join(template, "drive_c", "windows") + os.sep

    def link_or_copy(source, destination):
        if source.startswith(windows_dir) and source.lower().endswith(SHARED_SUFFIXES):
            if os.path.getsize(source) >= SHARED_MIN_SIZE:
                try:
                    os.link(source, destination)
                    return destination
                except OSError:
                    pass
        return shutil.copy2(source, destination)

    shutil.copytree(template, target, symlinks=True, copy_function=link_or_copy)


def append_registry(reg_file, key, values):
    """Adds values to a Wine registry file (system.reg or user.reg) of a prefix whose wineserver is not
    running. `key` is relative to the file's root, e.g. r"Software\\Wine\\X11 Driver"."""
    lines = ["", "[%s] 0" % key.replace("\\", "\\\\")]
    for name, value in values.items():
        lines.append('"%s"="%s"' % (name, value.replace("\\", "\\\\").replace('"', '\\"')))
    with open(reg_file, "a") as f:
        f.write("\n".join(lines) + "\n")


# ---------------------------------------------------------------------------------------------------------
# Processes.

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


_open_sessions = []
_signals_installed = False


def _close_open_sessions():
    for session in list(_open_sessions):
        session.close()


def _exit_on_signal(signum, frame):
    # Test runners catch exceptions of a test, so the sessions are closed right here; then the process
    # ends by the same signal.
    _close_open_sessions()
    signal.signal(signum, signal.SIG_DFL)
    os.kill(os.getpid(), signum)


def _install_exit_handlers():
    global _signals_installed
    if _signals_installed:
        return
    _signals_installed = True
    atexit.register(_close_open_sessions)
    for signum in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        try:
            if signal.getsignal(signum) in (signal.SIG_DFL, signal.default_int_handler):
                signal.signal(signum, _exit_on_signal)
        except ValueError:
            pass  # not the main thread


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
        """The Windows exit code; raises subprocess.TimeoutExpired if the program is still running."""
        return self.popen.wait(timeout=timeout)

    def output(self):
        if not self.stdout_path:
            return ""
        with open(self.stdout_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def log(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()


class WindowInfo:
    def __init__(self, window_id, x, y, width, height, border, override_redirect, mapped):
        self.id = window_id
        self.x, self.y, self.width, self.height = x, y, width, height
        self.border = border
        self.override_redirect = override_redirect
        self.mapped = mapped

    def __repr__(self):
        return "<window 0x%x %dx%d at (%d,%d) border %d%s>" % (
            self.id, self.width, self.height, self.x, self.y, self.border,
            " override-redirect" if self.override_redirect else "")


class WineSession:
    """A virtual X display, a private Wine prefix, HOME and wineserver, and the helpers to drive them.

    arch: "win32" or "win64" (default: $LAUNCHER_WINE_ARCH, else win64).
    depth: the X screen depth (24, 16 or 8). On depth 8 the prefix gets the settings that show palette
        colours truly (ClientSideGraphics=N, PrivateColorMap=Y) unless palette_settings=False.
    build_dir: the build tree; the template lives in <build_dir>/wine-template/<arch>, sessions in
        <build_dir>/test-sessions/<name>-<pid>-<n>/.
    keep: keep the session's prefix after closing (default: $LAUNCHER_KEEP_SESSIONS=1); logs, sound
        captures and screenshots are always kept.
    """

    _counter = itertools.count(1)

    def __init__(self, arch=None, depth=24, build_dir=None, name="session", screen=(640, 480),
                 palette_settings=None, keep=None, log=None):
        self.arch = arch or arch_from_environment()
        self.depth = depth
        self.build_dir = os.path.abspath(build_dir or build_dir_from_environment())
        self.name = name
        self.screen_size = screen
        self.palette_settings = (depth == 8) if palette_settings is None else palette_settings
        self.keep = os.environ.get("LAUNCHER_KEEP_SESSIONS") == "1" if keep is None else keep
        self._log = log or (lambda text: None)
        self.wine = wine_command(self.arch)
        self.dir = os.path.join(self.build_dir, "test-sessions",
                                "%s-%d-%d" % (name, os.getpid(), next(self._counter)))
        self.prefix = os.path.join(self.dir, "prefix")
        self.home = os.path.join(self.dir, "home")
        self.capture_dir = os.path.join(self.dir, "sound")
        self.logs_dir = os.path.join(self.dir, "logs")
        self.display = None
        self.env = None
        self._xvfb = None
        self._wineserver = None
        self._reaper = None
        self._processes = []
        self._closed = False
        self._started = False
        self._run_counter = itertools.count(1)

    # -- life cycle ---------------------------------------------------------------------------------------

    def __enter__(self):
        try:
            self.open()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def open(self):
        _install_exit_handlers()
        _open_sessions.append(self)
        template = ensure_template(self.build_dir, self.arch, log=self._log)
        remove_stale_prefixes(os.path.dirname(self.dir))
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        for folder in (self.home, self.capture_dir, self.logs_dir):
            os.makedirs(folder)
        copy_prefix(template, self.prefix)
        self._write_sound_capture_config()
        # Unmanaged windows: with no window manager on the virtual screen, Wine would otherwise wait a
        # second or two for one to withdraw every window that closes.
        x11_settings = {"Managed": "N"}
        if self.palette_settings:
            x11_settings.update({"ClientSideGraphics": "N", "PrivateColorMap": "Y"})
        append_registry(os.path.join(self.prefix, "user.reg"), r"Software\Wine\X11 Driver", x11_settings)
        self.env = base_environment(self.arch, self.prefix, self.home, self.dir)
        self._start_reaper()
        self._start_xvfb()
        self.env["DISPLAY"] = ":%d" % self.display
        self._start_wineserver()
        self._started = True

    def close(self):
        """Ends everything the session started; safe to call more than once."""
        if self._closed:
            return
        self._closed = True
        if self in _open_sessions:
            _open_sessions.remove(self)
        for process in self._processes:
            stop_popen(process.popen, timeout=3)
        if self.env is not None and os.path.isdir(self.prefix):
            try:
                subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30)
            except (subprocess.TimeoutExpired, OSError):
                pass
        stop_popen(self._wineserver, timeout=10)
        stop_popen(self._xvfb, timeout=10)
        leftovers = kill_marked_processes(self.dir)
        if leftovers:
            self._log("killed leftover processes of session %s: %s" % (self.name, leftovers))
        if self._reaper is not None:
            try:
                self._reaper.stdin.write(b"done\n")
                self._reaper.stdin.close()
                self._reaper.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                stop_popen(self._reaper)
        if not self.keep:
            shutil.rmtree(self.prefix, ignore_errors=True)

    def _start_reaper(self):
        # A watchdog in a session of its own: when this process dies without closing (even by SIGKILL),
        # the end of its pipe wakes the watchdog, which ends the session's wineserver and processes.
        # It does not carry the session's marker itself.
        reaper_env = dict(self.env)
        del reaper_env["LAUNCHER_TEST_SESSION"]
        self._reaper = subprocess.Popen(
            [sys.executable, os.path.join(HARNESS_DIR, "reaper.py"), self.dir, WINESERVER],
            stdin=subprocess.PIPE, env=reaper_env, start_new_session=True,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        width, height = self.screen_size
        log = open(os.path.join(self.logs_dir, "xvfb.log"), "w")
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx%d" % (width, height, self.depth),
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), env=self.env, stdout=log, stderr=log, stdin=subprocess.DEVNULL)
        finally:
            os.close(write_end)
            log.close()
        # Xvfb chooses a free display number itself (lock files /tmp/.X<n>-lock) and writes it once it
        # accepts connections.
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number.isdigit():
            raise SessionError("Xvfb did not start (see %s/xvfb.log)" % self.logs_dir)
        self.display = int(number)

    def _start_wineserver(self):
        log = open(os.path.join(self.logs_dir, "wineserver.log"), "w")
        self._wineserver = subprocess.Popen([WINESERVER, "-f", "-p"], env=self.env, stdout=log, stderr=log,
                                            stdin=subprocess.DEVNULL)
        log.close()
        # Ready when its socket exists in the server folder it works in.
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if self._wineserver.poll() is not None:
                raise SessionError("wineserver ended at once (see %s/wineserver.log)" % self.logs_dir)
            try:
                folder = os.readlink("/proc/%d/cwd" % self._wineserver.pid)
                if os.path.exists(os.path.join(folder, "socket")):
                    return
            except OSError:
                pass
            time.sleep(0.02)
        raise SessionError("wineserver did not get ready")

    # -- Wine programs ------------------------------------------------------------------------------------

    def start(self, program, args=(), show=None, debug=None, capture_stdout=False, env=None):
        """Starts a Windows program: `program` is a Windows path (D:\\LAUNCH.EXE) or a Unix path.

        show: None gives Wine's own start (show command SW_SHOWDEFAULT, 10); a number starts the program
            through POKE.EXE with that show command (POKE's exit code is then the program's).
        debug: a WINEDEBUG value for this program (its stderr goes to the returned process's log).
        """
        number = next(self._run_counter)
        base = re.sub(r"[^A-Za-z0-9]+", "_", os.path.basename(program.replace("\\", "/")))
        log_path = os.path.join(self.logs_dir, "%03d-%s.log" % (number, base))
        stdout_path = os.path.join(self.logs_dir, "%03d-%s.out" % (number, base)) if capture_stdout else None
        command = list(self.wine)
        if show is not None:
            command += [poke_exe(), "run", str(show)]
        command += [program] + list(args)
        run_env = dict(self.env)
        if debug:
            run_env["WINEDEBUG"] = debug
        if env:
            run_env.update(env)
        with open(log_path, "w") as log:
            out = open(stdout_path, "w") if stdout_path else log
            try:
                popen = subprocess.Popen(command, env=run_env, stdout=out, stderr=log, stdin=subprocess.DEVNULL,
                                         cwd=os.path.join(self.prefix, "drive_c"))
            finally:
                if stdout_path:
                    out.close()
        process = WineProcess(popen, command, log_path, stdout_path)
        self._processes.append(process)
        return process

    def run(self, program, args=(), timeout=120, debug=None, env=None):
        """Runs a Windows program to its end; returns (exit code, stdout text)."""
        process = self.start(program, args, debug=debug, capture_stdout=True, env=env)
        try:
            code = process.exit_code(timeout=timeout)
        except subprocess.TimeoutExpired:
            stop_popen(process.popen)
            raise SessionError("%s %s did not end within %d s" % (program, " ".join(args), timeout))
        return code, process.output()

    def poke(self, *args, timeout=60):
        """Runs POKE.EXE with `args`; returns (exit code, {key: value} of its key=value lines)."""
        code, text = self.run(poke_exe(), list(args), timeout=timeout)
        values = {}
        for line in text.splitlines():
            if "=" in line:
                key, value = line.split("=", 1)
                values[key.strip()] = value.strip()
        return code, values

    def wine_processes(self):
        """(pid, command line) of the session's Windows programs still running (Wine's own services apart)."""
        result = []
        for pid in marked_processes(self.dir):
            command = process_command_line(pid)
            lowered = command.lower()
            if not re.match(r"^[a-z]:\\", lowered) or "\\windows\\system32\\" in lowered:
                continue
            result.append((pid, command))
        return result

    def wait_programs_ended(self, timeout=30, ignore=()):
        """Waits until no Windows program of the session runs any more (Wine's services and the pids in
        `ignore` apart)."""
        deadline = time.monotonic() + timeout
        while True:
            left = [(pid, command) for pid, command in self.wine_processes() if pid not in ignore]
            if not left:
                return
            if time.monotonic() > deadline:
                raise SessionError("programs still running: %s" % left)
            time.sleep(0.05)

    # -- drives and registry ------------------------------------------------------------------------------

    def map_cdrom(self, letter, folder):
        """Maps drive `letter` to a Unix folder as a CD-ROM drive."""
        letter = letter.lower().rstrip(":")
        link = os.path.join(self.prefix, "dosdevices", letter + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.path.abspath(folder), link)
        self.reg_add(r"HKLM\Software\Wine\Drives", letter + ":", "REG_SZ", "cdrom")

    def reg_add(self, key, name, kind="REG_SZ", data=""):
        code, text = self.run("reg", ["add", key, "/v", name, "/t", kind, "/d", data, "/f"])
        if code != 0:
            raise SessionError("reg add %s %s failed (%d): %s" % (key, name, code, text))

    def reg_delete(self, key, name=None):
        """Deletes a value, or the whole key when name is None; a missing key or value is no error."""
        args = ["delete", key] + (["/v", name] if name is not None else []) + ["/f"]
        self.run("reg", args)

    def reg_import(self, text):
        """Imports REGEDIT4 text."""
        path = os.path.join(self.dir, "import-%d.reg" % next(self._run_counter))
        with open(path, "w", newline="\r\n") as f:
            f.write(text)
        code, out = self.run("regedit", ["/S", windows_path(path)])
        if code != 0:
            raise SessionError("regedit /S failed (%d): %s" % (code, out))

    def reg_export(self):
        """The whole registry as {key path: {value name: value text}} (from `regedit /E`)."""
        path = os.path.join(self.dir, "export-%d.reg" % next(self._run_counter))
        code, out = self.run("regedit", ["/E", windows_path(path)])
        if code != 0 or not os.path.exists(path):
            raise SessionError("regedit /E failed (%d): %s" % (code, out))
        with open(path, "rb") as f:
            raw = f.read()
        os.remove(path)
        return parse_reg_export(raw)

    # -- the screen ---------------------------------------------------------------------------------------

    def _x(self, *command, timeout=30, check=True):
        result = subprocess.run(list(command), env=self.env, capture_output=True, timeout=timeout)
        if check and result.returncode != 0:
            raise SessionError("%s failed (%d): %s" % (" ".join(command), result.returncode,
                                                       result.stderr.decode(errors="replace")))
        return result

    def find_windows(self, pid=None, name="^Qelvar Lumivane$", only_visible=True):
        command = ["xdotool", "search", "--all"]
        if only_visible:
            command.append("--onlyvisible")
        if pid is not None:
            command += ["--pid", str(pid)]
        command += ["--name", name]
        result = self._x(*command, check=False)
        return [int(line) for line in result.stdout.split() if line.strip().isdigit()]

    def wait_window(self, pid=None, timeout=30, name="^Qelvar Lumivane$", process=None):
        """Waits for a visible X window of the Wine process `pid` with that title; its WindowInfo.
        Under Wine the window's _NET_WM_PID is the pid of the wine process that runs the program."""
        deadline = time.monotonic() + timeout
        while True:
            found = self.find_windows(pid, name)
            if found:
                return self.window_info(found[0])
            if process is not None and not process.running():
                raise SessionError("the program ended (exit code %s) before its window appeared"
                                   % process.popen.returncode)
            if time.monotonic() > deadline:
                raise SessionError("no window %r of pid %s within %d s" % (name, pid, timeout))
            time.sleep(0.05)

    def window_info(self, window_id):
        text = self._x("xwininfo", "-id", str(window_id)).stdout.decode()

        def number(label):
            match = re.search(r"^\s*%s:\s*(-?\d+)" % re.escape(label), text, re.M)
            return int(match.group(1)) if match else None

        override = re.search(r"Override Redirect State:\s*(\w+)", text)
        state = re.search(r"Map State:\s*(\w+)", text)
        return WindowInfo(window_id, number("Absolute upper-left X"), number("Absolute upper-left Y"),
                          number("Width"), number("Height"), number("Border width"),
                          bool(override and override.group(1) == "yes"),
                          bool(state and state.group(1) == "IsViewable"))

    def screenshot(self, window=None):
        """The screen as an images.Image (RGB). On a palette screen pass the window (id or WindowInfo)
        whose colour map is to be used; the image is then of that window only."""
        display = ":%d" % self.display
        if window is not None:
            window_id = window.id if isinstance(window, WindowInfo) else int(window)
            xwd = self._x("xwd", "-silent", "-display", display, "-id", str(window_id)).stdout
            result = subprocess.run([CONVERT, "xwd:-", "-depth", "8", "ppm:-"], input=xwd, capture_output=True, timeout=60)
        else:
            result = subprocess.run([IMPORT, "-display", display, "-window", "root", "-depth", "8", "ppm:-"],
                                    capture_output=True, timeout=60, env=self.env)
        if result.returncode != 0:
            raise SessionError("screenshot failed: %s" % result.stderr.decode(errors="replace"))
        return images.parse_ppm(result.stdout)

    def window_pixels(self, x, y, width, height):
        """The screen rectangle at (x, y) as an images.Image."""
        return self.screenshot().crop(x, y, width, height)

    # -- the pointer and keyboard -------------------------------------------------------------------------

    def move(self, x, y):
        self._x("xdotool", "mousemove", str(x), str(y))

    def press(self, button=1):
        self._x("xdotool", "mousedown", str(button))

    def release(self, button=1):
        self._x("xdotool", "mouseup", str(button))

    def click(self, button=1):
        self.press(button)
        time.sleep(0.05)
        self.release(button)

    def key(self, keys):
        self._x("xdotool", "key", keys)

    # -- sound ----------------------------------------------------------------------------------------------

    def _write_sound_capture_config(self):
        # Every stream Wine opens on the default ALSA device is written to a file of its own: the file
        # plugin pipes it to a shell, whose $(date) and $$ make the name unique and ordered; the plugin puts
        # the stream's rate, channels and bits into the name (%r, %c, %b).
        # The plugin turns "%%" into "%", so the shell runs date +%s%N.
        target = os.path.join(self.capture_dir, "stream-$(date +%%s%%N)-$$-%r-%c-%b.raw")
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write('pcm.!default {\n'
                    '    type file\n'
                    '    slave { pcm "null" }\n'
                    '    file "|exec cat > ' + target + '"\n'
                    '    format "raw"\n'
                    '}\n')

    def captured_sounds(self, at_least=0, settle=0.4, timeout=30):
        """The streams played so far, in order: a list of sounds.Stream. Waits until at least `at_least`
        streams have begun, then until no stream has grown for `settle` seconds (streams are written as
        they play). The timeout only guards against a hang."""
        deadline = time.monotonic() + timeout
        while len(os.listdir(self.capture_dir)) < at_least and time.monotonic() < deadline:
            time.sleep(0.05)
        return sounds.read_streams(self.capture_dir, settle=settle, timeout=max(1, deadline - time.monotonic()))

    def clear_sounds(self):
        """Forgets the streams captured so far (call when no sound plays)."""
        self.captured_sounds()
        for name in os.listdir(self.capture_dir):
            os.remove(os.path.join(self.capture_dir, name))


def parse_reg_export(raw):
    """{key: {name: value}} from the text of a .reg export (UTF-16 with BOM, or ANSI)."""
    if raw.startswith(b"\xff\xfe"):
        text = raw[2:].decode("utf-16-le", errors="replace")
    else:
        text = raw.decode("latin-1")
    text = re.sub(r"\\\r?\n\s*", "", text)  # continued hex lines
    registry = {}
    current = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = registry.setdefault(line[1:-1], {})
        elif current is not None and "=" in line and (line.startswith('"') or line.startswith("@")):
            match = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
            if match:
                current[match.group(1)] = match.group(2)
    return registry


def poke_exe():
    path = os.environ.get("LAUNCHER_POKE_EXE")
    if path:
        return path
    return os.path.join(build_dir_from_environment(), "stubs", "POKE.EXE")
