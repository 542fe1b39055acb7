"""What the end-to-end tests of LAUNCH.EXE share: where the programs are, the launcher's geometry and
pictures, a session with the launcher on CD-ROM drive D:, the stub log, and snapshots of files and
registry for "the launcher wrote nothing"."""

import hashlib
import os
import re
import shutil
import subprocess
import sys
import time

import images
import resource_ids
from wine_host import build_dir_from_environment, windows_path
from wine_session import WineSession

# -- the programs under test, from CTest's environment ------------------------------------------------------

BUILD_DIR = build_dir_from_environment()
SOURCE_DIR = os.environ.get("LAUNCHER_SOURCE_DIR",
                            os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
LAUNCHER_EXE = os.environ.get("LAUNCHER_EXE", os.path.join(BUILD_DIR, "LAUNCH.EXE"))
LAUNCHER4_EXE = os.environ.get("LAUNCHER4_EXE", os.path.join(BUILD_DIR, "LAUNCH4.EXE"))
# Test builds whose every program start fails with last error 740 (elevation required) or 5.
LAUNCHER740_EXE = os.environ.get("LAUNCHER740_EXE", os.path.join(BUILD_DIR, "LAUNCH740.EXE"))
LAUNCHER5_EXE = os.environ.get("LAUNCHER5_EXE", os.path.join(BUILD_DIR, "LAUNCH5.EXE"))
STUB_DIR = os.environ.get("LAUNCHER_STUB_DIR", os.path.join(BUILD_DIR, "stubs"))
RECORDER_EXE = os.environ.get("LAUNCHER_RECORDER_EXE", os.path.join(STUB_DIR, "RECORDER.EXE"))
PLANTED_WINMM = os.environ.get("LAUNCHER_PLANTED_WINMM", os.path.join(STUB_DIR, "WINMM.DLL"))
PLANTED_MSACM32 = os.environ.get("LAUNCHER_PLANTED_MSACM32", os.path.join(STUB_DIR, "MSACM32.DLL"))
SCREENSHOT_DIR = os.path.join(BUILD_DIR, "screenshots")

# -- the launcher as a user sees it --------------------------------------------------------------------------

CLASS_NAME = "Qelvar Lumivane"
WINDOW_SIZE = (530, 360)
SCREEN_SIZE = (640, 480)
WINDOW_ORIGIN = ((SCREEN_SIZE[0] - WINDOW_SIZE[0]) // 2, (SCREEN_SIZE[1] - WINDOW_SIZE[1]) // 2)  # (55, 60)
BUTTON_SIZE = (90, 40)
BUTTON_ORIGINS = ((30, 180), (30, 235), (30, 290))  # in the window
SETUP, BROWSE, CANCEL = 0, 1, 2
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F205}"

# Bitmap ids of each tier: background, buttons at rest, buttons under the pointer, remove pictures.
RESOURCE_IDS = resource_ids.read()
TIERS = {bits: resource_ids.picture_set(RESOURCE_IDS, bits) for bits in (24, 8, 4)}

# The file browser of the Windows folder, which the browse button starts (Wine's desktop is
# C:\windows\system32\explorer.exe).
WINDOWS_BROWSER = "C:\\windows\\explorer.exe"
# An uninstaller and the command line that registers it, with a quoted program and parameters.
UNINSTALLER = r"C:\Program Files\Qelvar\UNINST.EXE"
UNINSTALL_COMMAND = '"%s" /remove "Qelvar Lumivane"' % UNINSTALLER

WELCOME_SOUND_ID = RESOURCE_IDS["IDW_WELCOME_SOUND"]
HOVER_SOUND_ID = RESOURCE_IDS["IDW_HOVER_SOUND"]


def button_centre(button, dx=0, dy=0):
    """Screen position inside `button` (its centre, moved by dx, dy)."""
    x, y = BUTTON_ORIGINS[button]
    return (WINDOW_ORIGIN[0] + x + BUTTON_SIZE[0] // 2 + dx, WINDOW_ORIGIN[1] + y + BUTTON_SIZE[1] // 2 + dy)


BACKGROUND_POINT = (WINDOW_ORIGIN[0] + 350, WINDOW_ORIGIN[1] + 60)   # in the window, on no button
OUTSIDE_POINT = (5, 5)                                               # on the screen, off the window


def expected_window(exe, tier, states=("rest", "rest", "rest"), installed=False):
    """The window as the launcher should draw it: the tier's background with each button's picture
    ("rest" or "hover") at its origin; button 0 shows the remove pictures when installed."""
    ids = TIERS[tier]
    picture = images.exe_picture(exe, ids["background"])
    for button, state in enumerate(states):
        if button == SETUP and installed:
            bitmap = ids["remove"][0 if state == "rest" else 1]
        else:
            bitmap = ids[state][button]
        picture.paste(images.exe_picture(exe, bitmap), BUTTON_ORIGINS[button])
    return picture


def exe_sound(exe, resource_id):
    result = subprocess.run(["wrestool", "-x", "--raw", "--type=WAVE", "--name=%d" % resource_id, exe],
                            capture_output=True, timeout=60)
    if result.returncode != 0 or not result.stdout:
        raise ValueError("%s has no WAVE %d" % (exe, resource_id))
    return result.stdout


def wait_until(predicate, timeout=20, interval=0.05, what="condition"):
    """Polls until predicate() is true; returns its value. The timeout only guards against a hang."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("gave up waiting for %s after %d s" % (what, timeout))
        time.sleep(interval)


# -- snapshots ------------------------------------------------------------------------------------------------

def file_snapshot(folder, ignore=()):
    """{relative path: (size, sha1)} of every file below `folder`, and the folders as (None, None)."""
    snapshot = {}
    if not os.path.isdir(folder):
        return snapshot
    for root, dirs, files in os.walk(folder):
        rel_root = os.path.relpath(root, folder)
        for name in dirs:
            rel = os.path.normpath(os.path.join(rel_root, name))
            if not any(re.match(pattern, rel, re.I) for pattern in ignore):
                snapshot[rel + "/"] = (None, None)
        for name in files:
            rel = os.path.normpath(os.path.join(rel_root, name))
            if any(re.match(pattern, rel, re.I) for pattern in ignore):
                continue
            path = os.path.join(root, name)
            try:
                with open(path, "rb") as f:
                    digest = hashlib.sha1(f.read()).hexdigest()
                snapshot[rel] = (os.path.getsize(path), digest)
            except OSError:
                snapshot[rel] = (None, "unreadable")
    return snapshot


def snapshot_changes(before, after):
    """Human-readable list of what appeared, disappeared or changed."""
    changes = []
    for path in sorted(set(before) | set(after)):
        if path not in before:
            changes.append("new: " + path)
        elif path not in after:
            changes.append("gone: " + path)
        elif before[path] != after[path]:
            changes.append("changed: " + path)
    return changes


# Registry keys that Wine itself writes while any program runs (device enumeration of display and sound,
# the service counter, per-session temporary parameters); none is the launcher's doing. Key prefixes;
# HKEY_USERS\S-1-5-21-... (the user's own hive) is read as HKEY_CURRENT_USER.
WINE_REGISTRY_BOOKKEEPING = [
    "HKEY_LOCAL_MACHINE\\Hardware\\",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\MMDevices",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\",
    "HKEY_CURRENT_USER\\Software\\Wine\\Drivers\\winealsa.drv",
    "HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters",
    "HKEY_CURRENT_USER\\Volatile Environment",
]


def _bookkeeping(key):
    key = re.sub(r"^HKEY_USERS\\S-1-5-21-[0-9-]+", "HKEY_CURRENT_USER", key, flags=re.I).lower()
    return any(key.startswith(prefix.lower()) for prefix in WINE_REGISTRY_BOOKKEEPING)


def registry_changes(before, after):
    """Differences of two registry exports (Registry.export()) outside Wine's bookkeeping (WINE_REGISTRY_BOOKKEEPING)."""
    changes = []
    for key in sorted(set(before) | set(after)):
        if _bookkeeping(key):
            continue
        old, new = before.get(key), after.get(key)
        if old == new:
            continue
        if old is None:
            changes.append("new key: %s %s" % (key, new))
        elif new is None:
            changes.append("deleted key: %s" % key)
        else:
            for name in sorted(set(old) | set(new)):
                if old.get(name) != new.get(name):
                    changes.append("%s %s: %r -> %r" % (key, name, old.get(name), new.get(name)))
    return changes


# Below drive_c/users: what Wine keeps there for itself (none of it is written by the launcher).
WINE_USER_FILES = [r".*[/\\]AppData[/\\]Local[/\\]Temp([/\\]|$)"]


# -- a session with the launcher on drive D: -----------------------------------------------------------------

WINDOW_TITLE = "^%s$" % re.escape(CLASS_NAME)


class LauncherSession:
    """A WineSession with a CD-ROM drive D: mapped to a medium folder, the stubs, and a stub log.
    `display`, `sound` and `registry` are the session's."""

    def __init__(self, name, depth=24, exe=LAUNCHER_EXE, palette_settings=None):
        self.exe = exe
        self.depth = depth
        self.session = WineSession(depth=depth, name=name, palette_settings=palette_settings,
                                   log=lambda text: print("harness: " + text, file=sys.stderr))
        self.started = []

    def __enter__(self):
        self.session.__enter__()
        try:
            s = self.session
            self.display, self.sound, self.registry = s.display, s.sound, s.registry
            self.medium = os.path.join(s.dir, "medium")
            os.makedirs(self.medium)
            self.stub_log = os.path.join(s.dir, "stub.log")
            s.env["LAUNCHER_STUB_LOG"] = windows_path(self.stub_log)
            s.map_cdrom("d", self.medium)
        except BaseException:
            self.session.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        self.session.close()

    # The medium ----------------------------------------------------------------------------------------

    def lay_medium(self, folder="", exe=None, stubs=("SETUP32.EXE", "EXPLORER.EXE"), extra=None):
        """Empties the medium and puts LAUNCH.EXE (and stubs) into its `folder` ("" = the root).
        extra: {relative path: source file} of further files. Returns the launcher's Windows path."""
        for name in os.listdir(self.medium):
            path = os.path.join(self.medium, name)
            shutil.rmtree(path) if os.path.isdir(path) and not os.path.islink(path) else os.remove(path)
        target = os.path.join(self.medium, folder)
        os.makedirs(target, exist_ok=True)
        shutil.copy(exe or self.exe, os.path.join(target, "LAUNCH.EXE"))
        for stub in stubs:
            shutil.copy(RECORDER_EXE, os.path.join(target, stub))
        for rel, source in (extra or {}).items():
            os.makedirs(os.path.dirname(os.path.join(self.medium, rel)), exist_ok=True)
            shutil.copy(source, os.path.join(self.medium, rel))
        return "D:\\" + (folder.replace("/", "\\") + "\\" if folder else "") + "LAUNCH.EXE"

    def place_recorder(self, windows_path):
        """Puts the recorder stub at `windows_path` on drive C: (WINDOWS_BROWSER, an uninstaller), in place of
        any file there. The prefix shares big files with the template by hard links: a link is removed
        first, so that the template keeps its own file."""
        target = os.path.join(self.session.prefix, "drive_c", *windows_path[3:].split("\\"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if os.path.lexists(target):
            os.remove(target)
        shutil.copy(RECORDER_EXE, target)

    def first_run(self):
        """One run of the launcher, closed once its welcome sound has begun, so that Wine's own first-run
        work (devices, sound) is done before the runs that a test checks."""
        self.lay_medium()
        process, _ = self.start()
        self.sound.streams(at_least=1)
        self.close_window(process)

    # Install state ---------------------------------------------------------------------------------------

    def set_installed(self, uninstall_command):
        if uninstall_command is None:
            self.registry.delete(UNINSTALL_KEY)
        else:
            self.registry.add(UNINSTALL_KEY, "UninstallString", "REG_SZ", uninstall_command)

    # Runs ----------------------------------------------------------------------------------------------

    def clear_stub_log(self):
        if os.path.exists(self.stub_log):
            os.remove(self.stub_log)

    def stub_runs(self, still_running=()):
        """[(module path, command line)] of the stubs started so far, once every started program but the
        processes `still_running` has ended."""
        self.session.wait_programs_ended(ignore=[p.pid for p in still_running])
        if not os.path.exists(self.stub_log):
            return []
        with open(self.stub_log, "rb") as f:
            text = f.read().decode("latin-1")
        runs = []
        for line in text.split("\r\n"):
            if line:
                module, _, command = line.partition("\t")
                runs.append((module, command))
        return runs

    def start(self, path=r"D:\LAUNCH.EXE", show=None, debug=None, wait=True, env=None):
        """Starts the launcher; with wait, also waits for its window. Returns (process, WindowInfo).
        env: variables added to the session's environment for this start."""
        self.display.move(*OUTSIDE_POINT)
        process = self.session.start(path, show=show, debug=debug, env=env)
        self.started.append(process)
        window = self.wait_window(process) if wait else None
        return process, window

    def wait_window(self, process):
        return self.display.wait_window(WINDOW_TITLE, process.pid, process=process)

    def windows(self, process=None):
        """The visible X windows of launchers (of `process`, when given)."""
        return self.display.find_windows(WINDOW_TITLE, process.pid if process else None)

    def close_window(self, process):
        """Closes the launcher as the system's close command does and returns its exit code."""
        self.session.poke("close")
        return process.exit_code(timeout=30)

    def stop_running(self):
        """Closes every launcher this session started that still runs (a test's clean-up)."""
        for process in self.started:
            if process.running():
                self.session.poke("close")
                process.exit_code(timeout=30)
        self.started = []

    def window_image(self, window=None):
        """The launcher window's pixels."""
        if self.depth == 8:
            return self.display.screenshot(window)
        return self.display.pixels(WINDOW_ORIGIN[0], WINDOW_ORIGIN[1], *WINDOW_SIZE)

    def wait_for_picture(self, expected, window=None, tolerance=0, timeout=20):
        """Waits until the window shows `expected`; returns the last image and its difference."""
        last = {}

        def matches():
            last["image"] = self.window_image(window)
            last["difference"] = images.compare(last["image"], expected, tolerance)
            return not last["difference"]

        try:
            wait_until(matches, timeout=timeout, interval=0.1, what="the expected picture")
        except AssertionError:
            pass
        return last["image"], last["difference"]

    def assert_picture(self, states, what, tier=24, installed=False, window=None, tolerance=0):
        """The window shows the tier's pictures in `states` (see hovered())."""
        expected = expected_window(self.exe, tier, states, installed=installed)
        _, difference = self.wait_for_picture(expected, window, tolerance=tolerance)
        assert not difference, "%s: %s" % (what, difference)


# Button picture states for expected_window: every button at rest, or one under the pointer.
REST = ("rest", "rest", "rest")


def hovered(button):
    states = list(REST)
    states[button] = "hover"
    return tuple(states)
