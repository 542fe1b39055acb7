"""The launcher at work, started under Wine on a virtual screen of each depth from a scratch copy of the
image's files as CD-ROM drive D:, with the setup program there replaced by the recorder stand-in, so that
nothing real is installed: its window, what it shows and plays, what each button starts, and that it
writes nothing.

Each depth's pictures are kept for the contact sheet: at rest, each button under the pointer, and the
remove state (the product registered as installed, button 0 under the pointer)."""

import dataclasses
import os
import shutil

from launcherkit.pe import MACHINE_AMD64
from launcherkit.wine import sounds
from launcherkit.wine.host import host_can_run
from launcherkit.wine.launcher_session import BROWSER_RUN, WINDOWS_BROWSER, LauncherCrashed, LauncherSession
from launcherkit.wine.programs import Programs
from launcherkit.wine.snapshots import registry_changes
from launcherkit.wine.window import BROWSE, CANCEL, REST, SETUP, hovered

# Screen depth -> (the picture set shown there, how far a channel may be off: a 16-bit screen keeps 5 or
# 6 bits of each channel).
SCREENS = {24: (24, 0), 16: (24, 7), 8: (8, 0)}
COLUMNS = ("at rest", "install under the pointer", "browse under the pointer", "cancel under the pointer",
           "remove under the pointer")
BUTTON_WORDS = ("install", "browse", "cancel")


class DepthRun:
    """The checks of one screen depth, in one Wine session; `pictures` {column: image} for the sheet."""

    def __init__(self, launcher, product, findings, label, depth):
        self.launcher, self.product, self.findings, self.depth = launcher, product, findings, depth
        self.where = "%s at %d bits per pixel" % (label, depth)
        self.section = "The launcher at work on a %d-bit screen" % depth
        self.tier, self.tolerance = SCREENS[depth]
        self.pictures = {}
        self.window = None
        exe = launcher.exe
        self.welcome = sounds.wav_duration(sounds.exe_sound(exe, product.welcome_sound_id))
        self.hover = sounds.wav_data(sounds.exe_sound(exe, product.hover_sound_id))
        self.uninstaller = "C:\\Program Files\\%s\\UNINST.EXE" % product.volume_name
        self.uninstall_command = '"%s" /remove' % self.uninstaller

    def check(self, name):
        return self.findings.check(self.section, name)

    # -- one start of the launcher ----------------------------------------------------------------------

    def start(self):
        launcher = self.launcher
        launcher.sound.clear()
        launcher.clear_stub_log()
        process, self.window = launcher.start()
        return process, self.window

    def picture(self, check, what, states, installed=False, window=None, column=None):
        expected = self.launcher.window.expected(self.launcher.exe, self.tier, states, installed)
        image, difference = self.launcher.wait_for_picture(expected, window, tolerance=self.tolerance)
        if column:
            self.pictures[column] = image
        check.expect(not difference, self.where, what, str(difference),
                     "the launcher's %d-bit pictures%s" % (self.tier, " within %d per channel" % self.tolerance
                                                            if self.tolerance else ", pixel for pixel"))

    def click(self, button):
        """Clicks `button` once it is lit (the launcher has seen the pointer arrive), or the background."""
        launcher = self.launcher
        if button is None:
            launcher.display.move(*launcher.window.background_point)
        else:
            launcher.display.move(*launcher.window.button_centre(button))
            launcher.wait_for_picture(launcher.window.expected(launcher.exe, self.tier, hovered(button)),
                                      self.window, tolerance=self.tolerance)
        launcher.display.click()

    def ended(self, check, process, runs, what):
        code = process.exit_code(timeout=30)
        check.expect(code == 0, self.where, "%s: exit code" % what, code, "0")
        found = self.launcher.stub_runs()
        check.expect(found == runs, self.where, "%s: programs started" % what, found or "none", runs or "none")

    # -- the checks ---------------------------------------------------------------------------------------

    def first_start(self):
        """Window, pictures, welcome sound, each button under the pointer; closed with cancel."""
        launcher = self.launcher
        place = self.check("the window is centred and titled with the product's name")
        process, window = self.start()
        required = launcher.window.origin + launcher.window.size
        place.expect(window.geometry == required, self.where, "window (x, y, width, height)", window.geometry,
                     "%s, centred on the %d x %d screen" % (required, *launcher.session.screen_size))
        _, info = launcher.session.poke("info")
        place.expect(info.get("title") == self.product.name, self.where, "window title", info.get("title"),
                     '"%s"' % self.product.name)

        self.picture(self.check("the screen shows the %d-bit pictures" % self.tier), "the window at rest", REST,
                     window=window, column=COLUMNS[0])

        welcome = self.check("the welcome sound plays")
        streams = launcher.sound.streams(at_least=1)
        heard = [round(s.duration, 2) for s in streams]
        if welcome.expect(len(streams) == 1, self.where, "sounds after the start (seconds)", heard,
                          "one, the welcome sound of %.2f s" % self.welcome):
            welcome.expect(abs(streams[0].duration - self.welcome) <= 0.05 and streams[0].rms > 100, self.where,
                           "the welcome sound", "%.2f s at RMS %d" % (streams[0].duration, streams[0].rms),
                           "%.2f s, not silent" % self.welcome)

        lights = self.check("each button lights up under the pointer with the click sound")
        for button, word in enumerate(BUTTON_WORDS):
            launcher.sound.clear()
            launcher.display.move(*launcher.window.button_centre(button))
            self.picture(lights, "%s under the pointer" % word, hovered(button), window=window,
                         column=COLUMNS[1 + button])
            streams = launcher.sound.streams(at_least=1)
            lights.expect(len(streams) == 1 and sounds.stream_data(streams[0]) == self.hover, self.where,
                          "sound as the pointer enters %s" % word, "%d sounds%s" % (len(streams), "" if not streams
                          else ", the first not the click" if sounds.stream_data(streams[0]) != self.hover else ""),
                          "the launcher's click, once, sample for sample")
        launcher.display.move(*launcher.window.background_point)
        self.picture(lights, "the window after the pointer left the buttons", REST, window=window)
        self.click(CANCEL)
        self.ended(self.check("cancel and a click off the buttons close it with exit code 0"), process, [],
                   "cancel")

    def action(self, name, button, runs):
        check = self.check(name)
        process, _ = self.start()
        self.click(button)
        self.ended(check, process, runs, name.split(" ")[0])

    def installed(self):
        check = self.check("with the uninstall key registered, the remove picture shows and the registered "
                           "command starts")
        self.launcher.set_installed(self.uninstall_command)
        try:
            process, window = self.start()
            self.picture(check, "the window of the installed product", REST, installed=True, window=window)
            self.launcher.display.move(*self.launcher.window.button_centre(SETUP))
            self.picture(check, "remove under the pointer", hovered(SETUP), installed=True, window=window,
                         column=COLUMNS[4])
            self.launcher.display.click()
            self.ended(check, process, [(self.uninstaller, self.uninstall_command)], "remove")
        finally:
            self.launcher.set_installed(None)

    def run(self):
        launcher = self.launcher
        launcher.place_recorder(WINDOWS_BROWSER)
        launcher.place_recorder(self.uninstaller)
        # Wine's own first-run work (devices, sound) is done by one start before anything is compared.
        process, _ = self.start()
        launcher.sound.streams(at_least=1)
        launcher.close_window(process)
        files, registry = launcher.file_snapshot(), launcher.registry.export()

        steps = [self.first_start,
                 lambda: self.action("install starts the medium's setup program by its full quoted path", SETUP,
                                     [launcher.setup_run()]),
                 lambda: self.action("browse starts the Windows folder's browser on D:\\", BROWSE, [BROWSER_RUN]),
                 lambda: self.action("cancel and a click off the buttons close it with exit code 0", None, [])]
        if self.product.profile["uninstall_guid"]:
            steps.append(self.installed)
        else:
            self.findings.skip(self.section, "the launcher names no uninstall key, so the remove state was not shown")
        for step in steps:
            try:
                step()
            except LauncherCrashed:
                raise
            except Exception as error:  # a window that never came, a timeout: this run fails, the next runs
                self.check("the launcher answers every run").fail(self.where, "run", "%s: %s" % (
                    type(error).__name__, error), "a window that comes and a launcher that ends")
                launcher.finish()

        written = self.check("nothing is written to the disk or the registry")
        changes = launcher.file_changes(files, launcher.file_snapshot())
        changes += registry_changes(registry, launcher.registry.export())
        written.expect(not changes, self.where, "changes", "; ".join(changes[:5]), "none")


def check_at_work(image, launcher_file, machine, product, build_dir, depths, findings, label, log=None):
    """Runs the launcher `launcher_file` of `image` (built for `machine`) on screens of `depths`;
    {depth: {column: image}} of what it showed."""
    arch = "win64" if machine == MACHINE_AMD64 else "win32"
    can_run, reason = host_can_run(arch)
    if not can_run:
        findings.skip("The launcher at work", "the launcher was not started: " + reason)
        return {}
    programs = Programs.in_build(build_dir)
    missing = programs.missing("recorder", "poke")
    if missing:
        findings.skip("The launcher at work", "the launcher was not started: %s has no %s (scripts/check-medium.sh "
                      "builds them)" % (build_dir, " and ".join(missing)))
        return {}
    work = os.path.join(build_dir, "check-medium")
    os.makedirs(work, exist_ok=True)
    shown = {}
    for depth in depths:
        with LauncherSession(build_dir, arch, programs, product, "check-medium-depth%d" % depth, depth=depth,
                             log=log) as launcher:
            disc = launcher.insert_disc(image)
            exe = os.path.join(work, "launcher-%d.exe" % depth)
            shutil.copyfile(os.path.join(disc, launcher_file), exe)
            launcher.exe = exe
            launcher.programs = dataclasses.replace(programs, launcher=exe)
            shutil.copyfile(programs.recorder, os.path.join(disc, product.setup_program))
            run = DepthRun(launcher, product, findings, label, depth)
            try:
                run.run()
                launcher.finish()
            except LauncherCrashed as crash:
                findings.check(run.section, "the launcher never crashes").fail(run.where, "crash", str(crash),
                                                                               "no unhandled exception")
            shown[depth] = run.pictures
    return shown
