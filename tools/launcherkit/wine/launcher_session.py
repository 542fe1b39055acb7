"""The launcher in a Wine session as a user meets it: started from a medium on CD-ROM drive D:, with the
recorder stub in place of the programs it starts and their starts read from the stub log; its window
found by the product's name and compared with its own pictures; the files it could write kept for
comparison; and each launcher's Wine log read for a crash, which the exit code does not show."""

import os
import re
import shutil
import time

from launcherkit import KitError
from launcherkit.iso_image import IsoImage
from launcherkit.wine import images
from launcherkit.wine.host import windows_path
from launcherkit.wine.session import WineSession
from launcherkit.wine.snapshots import WINE_USER_FILES, file_snapshot, snapshot_changes
from launcherkit.wine.window import LauncherWindow, hovered

# The file browser of the Windows folder, which the browse button starts (Wine's desktop is
# C:\windows\system32\explorer.exe), and the decoy of it that a medium may carry beside the launcher.
WINDOWS_BROWSER = "C:\\windows\\explorer.exe"
BROWSER_DECOY = "EXPLORER.EXE"
# The stub run of the browser as the launcher starts it, on the medium's root (the recorder stub in its
# place): (module path, command line).
BROWSER_RUN = (WINDOWS_BROWSER, "C:\\windows\\EXPLORER.EXE D:\\")

# What Wine writes to a program's standard error, whatever WINEDEBUG says, when an exception of the
# program is not handled ("wine: Unhandled page fault on write access to 00000000 at address 004018B6
# (thread 00d8), starting debugger...") or it calls a function Wine lacks. The process ends with exit
# code 0 all the same.
CRASH_LINE = re.compile(r"^wine: (?:Unhandled |Call from .* to unimplemented function ).*$", re.M)


class LauncherCrashed(KitError, AssertionError):
    """A launcher of the session crashed; the message names each crash as Wine reported it."""


class LauncherSession:
    """A WineSession (`session`; `display`, `sound` and `registry` are its) for the launcher of `product`
    (launcherkit.product.Product); `window` (window.LauncherWindow) says where its window stands."""

    def __init__(self, build_dir, arch, programs, product, name, depth=24, keep=False, log=None,
                 prefix_arch=None):
        self.programs, self.product, self.exe, self.depth = programs, product, programs.launcher, depth
        # POKE.EXE finds the launcher's window by its class name, the product's name.
        self.session = WineSession(build_dir, arch, depth=depth, name=name, poke=programs.poke,
                                   env={"LAUNCHER_CLASS_NAME": product.name}, keep=keep, log=log,
                                   prefix_arch=prefix_arch)
        self.window = LauncherWindow(product, self.session.screen_size)
        self.title = "^%s$" % re.escape(product.name)
        self.started = []

    def __enter__(self):
        s = self.session.__enter__()
        try:
            self.display, self.sound, self.registry = s.display, s.sound, s.registry
            self.own_medium = self.medium = os.path.join(s.dir, "medium")
            os.makedirs(self.medium)
            self.stub_log = os.path.join(s.dir, "stub.log")
            s.env["LAUNCHER_STUB_LOG"] = windows_path(self.stub_log)
            s.map_cdrom("d", self.medium)
        except BaseException:
            s.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        self.session.close()

    # The medium ----------------------------------------------------------------------------------------

    @staticmethod
    def medium_path(name, folder=""):
        """The Windows path of file `name` in `folder` of the medium ("" = its root)."""
        return "D:\\" + (folder.replace("/", "\\") + "\\" if folder else "") + name

    def lay_medium(self, folder="", exe=None, stubs=None, extra=None):
        """Empties the session's own medium and maps it as D: again; puts the launcher (by default the
        session's) into its `folder`, the recorder under the names `stubs` (by default the product's setup
        program and a decoy browser), and `extra` {relative path: source file}. Returns the launcher's path."""
        if self.medium != self.own_medium:
            self.map_medium(self.own_medium)
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

    def map_medium(self, folder):
        self.session.map_cdrom("d", folder)
        self.medium = folder

    def insert_disc(self, image, whole_tree=False):
        """Maps D: to a scratch copy of the files on the root of the ISO image `image` (with whole_tree, of
        all its files and folders), under their Joliet names as Windows reads them; returns the folder."""
        folder = os.path.join(self.session.dir, "disc")
        shutil.rmtree(folder, ignore_errors=True)
        iso = IsoImage(image)
        try:
            iso.extract(folder, whole_tree=whole_tree)
        finally:
            iso.close()
        self.map_medium(folder)
        return folder

    def place_recorder(self, windows_path):
        """Puts the recorder stub at `windows_path` on drive C: (WINDOWS_BROWSER, an uninstaller). A hard link
        to the template's file is removed first, so that the template keeps its own."""
        target = os.path.join(self.session.prefix, "drive_c", *windows_path[3:].split("\\"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if os.path.lexists(target):
            os.remove(target)
        shutil.copy(self.programs.recorder, target)

    def first_run(self):
        """One run of the launcher, closed once its welcome sound has begun, so that Wine's own first-run
        work (devices, sound) is done before the runs that are checked."""
        self.lay_medium()
        process, _ = self.start()
        self.sound.streams(at_least=1)
        self.close_window(process)

    def set_installed(self, uninstall_command, view=None):
        """Registers the product as installed with that uninstall command; None: not installed. view: 32 or
        64, one view only of a 64-bit prefix's registry."""
        if uninstall_command is None:
            self.registry.delete(self.product.uninstall_key, view=view)
        else:
            self.registry.add(self.product.uninstall_key, "UninstallString", "REG_SZ", uninstall_command,
                              view=view)

    # What the launcher started and wrote -----------------------------------------------------------------

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
            lines = f.read().decode("latin-1").split("\r\n")
        return [tuple(line.partition("\t")[::2]) for line in lines if line]

    def setup_run(self, folder=""):
        """The stub run of the product's setup program in `folder` of the medium, started as the launcher
        starts it: by its full, quoted path."""
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
        """Starts the launcher (by default the one on the medium's root); with wait, also waits for its
        window. Returns (process, display.WindowInfo or None). env: variables added for this start."""
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
        """The end of a test: closes every launcher this session started that still runs, forgets them,
        and raises LauncherCrashed when one of them crashed (Wine's crash lines in their logs)."""
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
        """The window shows the launcher's pictures of `tier` with the buttons in `states` (window.REST,
        window.hovered(button))."""
        expected = self.window.expected(exe or self.exe, tier, states, installed=installed)
        _, difference = self.wait_for_picture(expected, window, tolerance=tolerance)
        assert not difference, "%s: %s" % (what, difference)
