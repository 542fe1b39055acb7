"""The launcher in a Wine session as a user meets it, from a medium on CD-ROM drive D:, with the recorder stub
in place of the programs it starts; its window compared with its own pictures, and its log read for crashes."""

import os
import re
import shutil
import time
from pathlib import Path

from launcherkit import KitError
from launcherkit.iso_image import IsoImage
from launcherkit.wine import images
from launcherkit.wine.host import windows_path
from launcherkit.wine.session import WineSession
from launcherkit.wine.snapshots import WINE_USER_FILES, file_snapshot, snapshot_changes
from launcherkit.wine.window import LauncherWindow, hovered

# The file browser that the browse button starts (not Wine's desktop, system32\explorer.exe), the decoy of it
# that a medium may carry, and its stub run (module path, command line) on the medium's root.
WINDOWS_BROWSER = "C:\\windows\\explorer.exe"
BROWSER_DECOY = "EXPLORER.EXE"
BROWSER_RUN = (WINDOWS_BROWSER, "C:\\windows\\EXPLORER.EXE D:\\")

# What Wine writes to a program's standard error, whatever WINEDEBUG says, when the program's exception is not
# handled ("wine: Unhandled page fault on write access to 00000000 at address 004018B6 ...") or it calls a
# function Wine lacks; the process ends with exit code 0 all the same.
CRASH_LINE = re.compile(r"^wine: (?:Unhandled |Call from .* to unimplemented function ).*$", re.M)


class LauncherCrashed(KitError, AssertionError):
    """A launcher of the session crashed; the message names each crash as Wine reported it."""


class LauncherSession:
    """A WineSession (`session`) for the launcher of `product`; `window` says where its window stands."""

    def __init__(self, build_dir, arch, programs, product, name, **options):
        self.programs, self.product, self.exe = programs, product, programs.launcher
        self.session = WineSession(build_dir, arch, name=name, poke=programs.poke, **options)
        self.depth, self.registry = self.session.depth, self.session.registry
        self.own_medium = self.medium = os.path.join(self.session.dir, "medium")
        self.stub_log = os.path.join(self.session.dir, "stub.log")
        # POKE.EXE finds the launcher's window by its class name, the product's name.
        self.session.extra_env.update(LAUNCHER_CLASS_NAME=product.name, LAUNCHER_STUB_LOG=windows_path(self.stub_log))
        self.window = LauncherWindow(product, self.session.screen_size)
        self.title = "^%s$" % re.escape(product.name)
        self.started = []

    def __enter__(self):
        s = self.session.__enter__()
        self.display, self.sound = s.display, s.sound
        try:
            os.makedirs(self.medium)
            s.map_cdrom("d", self.medium)
        except BaseException:
            s.close()
            raise
        return self

    def __exit__(self, *exc):
        self.session.close()

    # The medium ----------------------------------------------------------------------------------------

    @staticmethod
    def medium_path(name, folder=""):
        """The Windows path of file `name` in `folder` of the medium ("" = its root)."""
        return "D:\\" + (folder.replace("/", "\\") + "\\" if folder else "") + name

    def lay_medium(self, folder="", exe=None, stubs=None, extra=None):
        """Maps the session's own medium, emptied, as D:, with the launcher (by default the session's) in its
        `folder`, the recorder as `stubs` (by default the setup program and a decoy browser), and `extra`
        {relative path: source file}. Returns the launcher's path."""
        if self.medium != self.own_medium:
            self.medium = self.own_medium
            self.session.map_cdrom("d", self.medium)
        for name in os.listdir(self.medium):  # the folder itself stays, as Wine knows it
            path = os.path.join(self.medium, name)
            shutil.rmtree(path) if os.path.isdir(path) and not os.path.islink(path) else os.remove(path)
        target = os.path.join(self.medium, folder)
        os.makedirs(target, exist_ok=True)
        shutil.copy(exe or self.exe, os.path.join(target, self.product.launcher_file))
        for stub in (self.product.setup_program, BROWSER_DECOY) if stubs is None else stubs:
            shutil.copy(self.programs.recorder, os.path.join(target, stub))
        for rel, source in (extra or {}).items():
            os.makedirs(os.path.dirname(os.path.join(self.medium, rel)), exist_ok=True)
            shutil.copy(source, os.path.join(self.medium, rel))
        return self.medium_path(self.product.launcher_file, folder)

    def insert_disc(self, image, whole_tree=False):
        """Maps D: to a scratch copy of the files on the root of the ISO image `image` (with whole_tree, of
        all its files and folders), under their Joliet names as Windows reads them; returns the folder."""
        folder = os.path.join(self.session.dir, "disc")
        shutil.rmtree(folder, ignore_errors=True)
        with IsoImage(image) as iso:
            iso.extract(folder, whole_tree=whole_tree)
        self.session.map_cdrom("d", folder)
        self.medium = folder
        return folder

    def place_recorder(self, windows_path):
        """Puts the recorder stub at `windows_path` on drive C:; a hard link to the template's file goes first."""
        target = os.path.join(self.session.prefix, "drive_c", *windows_path[3:].split("\\"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        Path(target).unlink(missing_ok=True)
        shutil.copy(self.programs.recorder, target)

    def first_run(self):
        """One run of the launcher until its welcome sound: Wine's first-run work done before the checked runs."""
        self.lay_medium()
        process, _ = self.start()
        self.sound.streams(at_least=1)
        self.close_window(process)

    def set_installed(self, uninstall_command, view=None):
        """Registers the product as installed with that uninstall command (None: not installed), in `view`."""
        if uninstall_command is None:
            self.registry.delete(self.product.uninstall_key, view=view)
        else:
            self.registry.add(self.product.uninstall_key, "UninstallString", "REG_SZ", uninstall_command, view=view)

    # What the launcher started and wrote -----------------------------------------------------------------

    def clear_stub_log(self):
        Path(self.stub_log).unlink(missing_ok=True)

    def stub_runs(self, still_running=()):
        """[(module path, command line)] of the stubs started, once every program but `still_running` ended."""
        self.session.wait_programs_ended(ignore=[p.pid for p in still_running])
        text = Path(self.stub_log).read_bytes().decode("latin-1") if os.path.exists(self.stub_log) else ""
        return [tuple(line.partition("\t")[::2]) for line in text.split("\r\n") if line]

    def setup_run(self, folder=""):
        """The stub run of the setup program in `folder` of the medium: by its full, quoted path."""
        path = self.medium_path(self.product.setup_program, folder)
        return (path, '"%s"' % path)

    def file_snapshot(self):
        """The files the launcher could write to: the medium's, and the users' folders (less Wine's own)."""
        users = os.path.join(self.session.prefix, "drive_c", "users")
        return {"medium": file_snapshot(self.medium), "users": file_snapshot(users, ignore=WINE_USER_FILES)}

    @staticmethod
    def file_changes(before, after):
        """What changed between two file_snapshot()s, each line naming its place."""
        return ["%s: %s" % (place, change) for place in sorted(before)
                for change in snapshot_changes(before[place], after[place])]

    # Runs ----------------------------------------------------------------------------------------------

    def start(self, path=None, show=None, debug=None, wait=True, env=None):
        """Starts the launcher (by default the medium's root's); (process, its window when `wait`, or None)."""
        self.display.move(*self.window.outside_point)
        process = self.session.start(path or self.medium_path(self.product.launcher_file), show=show,
                                     debug=debug, env=env)
        self.started.append(process)
        return process, self.wait_window(process) if wait else None

    def wait_window(self, process):
        return self.display.wait_window(self.title, process.pid, process=process)

    def windows(self, process=None):
        """The visible X windows of launchers (of `process`, when given)."""
        return self.display.find_windows(self.title, process.pid if process else None)

    def hover(self, button, installed=False, exe=None, **seen):
        """Moves the pointer onto `button` and waits until the window shows it lit (`seen`: assert_picture's
        tier, window and tolerance)."""
        self.display.move(*self.window.button_centre(button))
        self.assert_picture(hovered(button), "button %d is not lit" % button, installed=installed, exe=exe, **seen)

    def click(self, process, button, installed=False, exe=None):
        """Lights `button` under the pointer and clicks it: the launcher `process` ends with exit code 0."""
        self.hover(button, installed, exe)
        self.display.click()
        assert process.exit_code(timeout=30) == 0

    def close_window(self, process):
        """Closes the launcher as the system's close command does and returns its exit code."""
        self.session.poke("close")
        return process.exit_code(timeout=30)

    def finish(self):
        """Closes the launchers still running, forgets them, and raises LauncherCrashed if one crashed."""
        try:
            for process in self.started:
                if process.running():
                    self.close_window(process)
        finally:
            reports = ["%s (pid %d): %s" % (process.command[-1], process.pid, match.group(0))
                       for process in self.started for match in CRASH_LINE.finditer(process.log())]
            self.started = []
        if reports:
            raise LauncherCrashed("the launcher crashed, though its exit code may say 0: " + "; ".join(reports))

    # Pictures --------------------------------------------------------------------------------------------

    def window_image(self, window=None):
        """The launcher window's pixels (on a palette screen through the colour map of `window`)."""
        if self.depth == 8:
            return self.display.screenshot(window)
        return self.display.pixels(*self.window.origin, *self.window.size)

    def wait_for_picture(self, expected, window=None, tolerance=0, timeout=20):
        """Waits until the window shows `expected`; returns the last image and its difference."""
        deadline = time.monotonic() + timeout
        while True:
            image = self.window_image(window)
            difference = images.compare(image, expected, tolerance)
            if not difference or time.monotonic() > deadline:
                return image, difference
            time.sleep(0.1)

    def assert_picture(self, states, what, tier=24, installed=False, window=None, tolerance=0, exe=None):
        """The window shows the launcher's pictures of `tier`, its buttons as `states` (window.REST, hovered)."""
        expected = self.window.expected(exe or self.exe, tier, states, installed=installed)
        _, difference = self.wait_for_picture(expected, window, tolerance=tolerance)
        assert not difference, "%s: %s" % (what, difference)
