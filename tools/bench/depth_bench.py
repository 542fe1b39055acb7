"""Everything the benchmark measures on one screen depth, in one Wine session kept running: the
reference pictures of the finished windows (warm-up runs), the time to splash of each program in turn,
where a start's time goes (traced runs), the hover response, and the start-up reads from a slow medium.
Figures are measured and reported; nothing is asserted."""

import os
import statistics
import sys
import time

from launcherkit.wine.launcher_session import LauncherSession
from launcherkit.wine.waiting import wait_until
from launcherkit.wine.window import SETUP, hovered

from bench.screen_poll import BenchError, Poller, hover_spots, set_root_white, spread, window_spots
from bench.trace_phases import phase_lengths, trace_marks
from bench.xprobe import XProbe

# The NSIS peer is measured on a true-colour screen only (the pictures it shows are true-colour ones).
PEER_DEPTH = 24


def log(text):
    print("benchmark: " + text, file=sys.stderr, flush=True)


def folder_bytes(folder):
    """The bytes of every file below `folder` (0 if it does not exist)."""
    total = 0
    for root, _, files in os.walk(folder):
        for name in files:
            try:
                total += os.path.getsize(os.path.join(root, name))
            except OSError:
                pass
    return total


class Program:
    """A program the benchmark starts: its Windows path, the spot values of its finished window, and the
    exit code it ends with when its window is clicked (None: not checked)."""

    def __init__(self, path, values=None, exit_code=0):
        self.path, self.values, self.exit_code = path, values, exit_code


# -- one depth ------------------------------------------------------------------------------------------------

class DepthBench:
    """Everything measured on one screen depth, in one Wine session kept running. `subjects`
    (measure.Subjects): the build, its product and the programs measured."""

    def __init__(self, depth, subjects, settings, reads_medium=None):
        self.depth = depth
        self.subjects = subjects
        self.exe = subjects.programs.launcher
        self.launcher_file = subjects.product.launcher_file
        self.baseline = subjects.bench["baseline"]
        self.as_linked = subjects.bench.get("launcher_as_linked")
        self.peer = subjects.bench.get("peer") if depth == PEER_DEPTH else None
        self.settings = settings
        self.reads_medium = reads_medium
        self.result = {"depth": depth}

    def __enter__(self):
        s = self.subjects
        self.launcher = LauncherSession(s.build_dir, s.arch, s.programs, s.product, "bench-depth%d" % self.depth,
                                        depth=self.depth)
        self.launcher.__enter__()
        try:
            self.session = self.launcher.session
            self.window = self.launcher.window
            extra = {"BASELINE.EXE": self.baseline}
            if self.as_linked:
                extra["LINKED/" + self.launcher_file] = self.as_linked
            if self.peer:
                extra["PEER.EXE"] = self.peer
            self.launcher.lay_medium(extra=extra)
            if self.reads_medium:
                self.session.map_cdrom("e", self.reads_medium.mount_point)
            self.probe = XProbe(self.session.display.number)
            set_root_white(self.probe)
            self.poller = Poller(self.probe, self.settings.poll_pause)
        except BaseException:
            self.launcher.close()
            raise
        return self

    def __exit__(self, *exc):
        self.probe.close()
        self.launcher.close()
        return False

    def tier(self):
        return 8 if self.depth == 8 else 24

    def tolerance(self):
        return 8 if self.depth == 16 else 0

    def close_program(self, process, program):
        """Clicks the window's background (every program closes on it) and waits for the process to end
        and the screen to be empty again."""
        s = self.session
        s.display.move(*self.window.background_point)
        s.display.click()
        s.display.move(*self.window.outside_point)
        code = process.exit_code(timeout=30)
        if program.exit_code is not None and code != program.exit_code:
            raise BenchError("%s ended with exit code %d" % (program.path, code))
        wait_until(lambda: self.probe.pixels(self.points) == self.empty, timeout=20, interval=0.01,
                   what="the empty screen after closing")
        s.wait_programs_ended()
        time.sleep(self.settings.settle)

    def finished_values(self, path, expected, exit_code=0):
        """Starts a program, waits until its window is the expected picture, and returns the spots' raw
        values then (a warm-up run, not counted)."""
        process = self.session.start(path)
        window = self.launcher.wait_window(process)
        _, difference = self.launcher.wait_for_picture(expected, window, tolerance=self.tolerance())
        if difference:
            raise BenchError("%s's window is not the expected picture at depth %d: %s" % (path, self.depth, difference))
        values = self.probe.pixels(self.points)
        self.close_program(process, Program(path, exit_code=exit_code))
        return values

    def references(self):
        """Warm-up runs: the spots' raw values of the finished launcher window (whose whole picture is
        checked against the launcher's pictures first), of the baseline's black and of the peer."""
        s = self.session
        expected = self.window.expected(self.exe, self.tier())
        self.spots = window_spots(self.window.geometry, expected)
        self.points = [self.window.on_screen(x, y) for x, y in self.spots]
        self.result["spots"] = len(self.spots)
        s.display.move(*self.window.outside_point)
        self.empty = self.probe.pixels(self.points)
        if len(set(self.empty)) != 1:
            raise BenchError("the empty screen is not one colour: %s" % (self.empty,))

        process, window = self.launcher.start()
        _, difference = self.launcher.wait_for_picture(expected, window, tolerance=self.tolerance())
        if difference:
            raise BenchError("the launcher's window is not its picture at depth %d: %s" % (self.depth, difference))
        launcher_values = self.probe.pixels(self.points)
        if self.depth == 24:
            wanted = tuple((r << 16) | (g << 8) | b for r, g, b in (expected.getpixel((x, y)) for x, y in self.spots))
            if wanted != launcher_values:
                raise BenchError("the raw screen values differ from the picture's colours")
        self.hover_reference(window)
        self.programs = {"launcher": Program(self.launcher.medium_path(self.launcher_file), launcher_values)}
        self.close_program(process, self.programs["launcher"])
        if self.as_linked:
            # The same pictures from the layout as linked: the same finished window.
            self.programs["as_linked"] = Program(self.launcher.medium_path(self.launcher_file, "LINKED"),
                                                 launcher_values)

        process = s.start(r"D:\BASELINE.EXE")
        s.display.wait_window("^Baseline Popup$", process.pid, process=process)
        black = wait_until(lambda: self._uniform_not(self.empty), timeout=20, interval=0.01,
                           what="the baseline's black window")
        self.programs["baseline"] = Program(r"D:\BASELINE.EXE", black)
        self.close_program(process, self.programs["baseline"])
        if launcher_values == self.empty or black == self.empty:
            raise BenchError("a finished window cannot be told from the empty screen")
        if self.peer:
            # The peer shows the launcher's picture with every button at rest, pixel for pixel.
            values = self.finished_values(r"D:\PEER.EXE", expected, exit_code=None)
            self.programs["peer"] = Program(r"D:\PEER.EXE", values, exit_code=None)

    def _uniform_not(self, empty):
        values = self.probe.pixels(self.points)
        return values if len(set(values)) == 1 and values != empty else None

    def hover_reference(self, window):
        """Spots of button 0 where its under-pointer picture differs from its picture at rest, and their
        raw values in both states."""
        s = self.session
        tier = self.tier()
        rest = self.window.expected(self.exe, tier)
        lit = self.window.expected(self.exe, tier, hovered(SETUP))
        self.hover_spots = [self.window.on_screen(x, y)
                            for x, y in hover_spots(self.window.geometry, rest, lit, SETUP)]
        if not self.hover_spots:
            raise BenchError("button 0's pictures do not differ")
        self.rest_values = self.probe.pixels(self.hover_spots)
        s.display.move(*self.window.button_centre(SETUP))
        _, difference = self.launcher.wait_for_picture(lit, window, tolerance=self.tolerance())
        if difference:
            raise BenchError("button 0 under the pointer is not its picture: %s" % difference)
        self.lit_values = self.probe.pixels(self.hover_spots)
        s.display.move(*self.window.background_point)
        wait_until(lambda: self.probe.pixels(self.hover_spots) == self.rest_values, what="button 0 at rest")
        if self.lit_values == self.rest_values:
            raise BenchError("button 0 lit cannot be told from button 0 at rest")

    def temp_folders(self):
        users = os.path.join(self.session.prefix, "drive_c", "users")
        return [os.path.join(users, user, "Temp") for user in os.listdir(users)] + \
               [os.path.join(users, user, "AppData", "Local", "Temp") for user in os.listdir(users)]

    def temp_bytes(self):
        return sum(folder_bytes(folder) for folder in self.temp_folders())

    def time_to_splash(self):
        names = list(self.programs)
        times = {name: [] for name in names}
        cpu = {name: [] for name in names}
        written = {name: [] for name in names}
        intervals_before = len(self.poller.intervals)
        for run in range(self.settings.runs):
            for name in names[run % len(names):] + names[:run % len(names)]:
                program = self.programs[name]
                if self.probe.pixels(self.points) != self.empty:
                    raise BenchError("the screen is not empty before a run")
                temp_before = self.temp_bytes()
                start = time.perf_counter()
                process = self.session.start(program.path)
                times[name].append(self.poller.wait(self.points, program.values, start, process=process))
                cpu[name].append(self.poller.cpu)
                written[name].append(self.temp_bytes() - temp_before)
                self.close_program(process, program)
        self.result["splash"] = {name: spread(values) for name, values in times.items()}
        self.result["splash_raw"] = times
        self.result["splash_cpu"] = {name: spread(values) for name, values in cpu.items()}
        self.result["splash_poll"] = spread(self.poller.intervals[intervals_before:])
        self.result["temp_written"] = {name: spread(values) for name, values in written.items()}

    def phases(self):
        """Where a start's time goes: runs traced with WINEDEBUG=+timestamp,+loaddll ."""
        found = {"launcher": [], "baseline": []}
        for run in range(self.settings.trace_runs):
            for name in (("launcher", "baseline") if run % 2 == 0 else ("baseline", "launcher")):
                program = self.programs[name]
                start = time.perf_counter()
                process = self.session.start(program.path, debug="+timestamp,+loaddll")
                total = self.poller.wait(self.points, program.values, start, process=process)
                self.close_program(process, program)
                marks = trace_marks(process.log())
                if len(marks) == 4:
                    found[name].append(phase_lengths(total, marks))
        self.result["phases"] = {name: [statistics.median(column) for column in zip(*rows)] if rows else None
                                 for name, rows in found.items()}
        self.result["phase_runs"] = self.settings.trace_runs

    def hover_response(self):
        s = self.session
        s.sound.clear()
        launcher = self.programs["launcher"]
        process, _ = self.launcher.start()
        wait_until(lambda: self.probe.pixels(self.points) == launcher.values, what="the launcher's window")
        s.sound.streams(at_least=1)  # the welcome sound has played out
        inside = self.window.button_centre(SETUP)
        outside = self.window.background_point
        times = []
        intervals_before = len(self.poller.intervals)
        self.probe.warp(*outside)
        for _ in range(self.settings.hover_runs):
            wait_until(lambda: self.probe.pixels(self.hover_spots) == self.rest_values, interval=0.005,
                       what="button 0 at rest")
            time.sleep(0.02)
            start = time.perf_counter()
            self.probe.warp(*inside)
            times.append(self.poller.wait(self.hover_spots, self.lit_values, start, process=process))
            self.probe.warp(*outside)
        self.result["hover"] = spread(times)
        self.result["hover_poll"] = spread(self.poller.intervals[intervals_before:])
        # Every entry played the click sound once (after the welcome sound).
        streams = s.sound.streams(at_least=self.settings.hover_runs + 1)
        self.result["hover_sounds"] = len(streams) - 1
        self.close_program(process, launcher)

    def startup_reads(self, variants):
        """variants: [(row label, tier of the pictures shown, {layout: path on the reads medium}, exe)].
        Each layout is started once to learn its finished picture, then `reads_runs` times from an evicted
        cache; the reads at the finished splash."""
        medium = self.reads_medium
        rows = []
        for label, tier, layouts, exe in variants:
            expected = self.window.expected(exe, tier)
            row = {"label": label, "depth": self.depth, "tier": tier, "layouts": {}}
            for layout, relative in layouts.items():
                path = "E:\\" + relative.replace("/", "\\")
                exit_code = None if layout == "peer" else 0
                program = Program(path, self.finished_values(path, expected, exit_code), exit_code)
                measured = []
                for _ in range(self.settings.reads_runs):
                    before = medium.prepare(relative)
                    start = time.perf_counter()
                    process = self.session.start(path)
                    seconds = self.poller.wait(self.points, program.values, start, process=process)
                    reads = medium.reads(relative, before)
                    reads["seconds"] = seconds
                    measured.append(reads)
                    self.close_program(process, program)
                row["layouts"][layout] = measured
                log("depth %d %s %s: %s bytes in %s runs" % (self.depth, label, layout,
                    "/".join(str(m["bytes"]) for m in measured), "/".join(str(m["runs"]) for m in measured)))
            rows.append(row)
        return rows

    def run(self, reads_variants):
        parts = self.settings.parts
        log("depth %d: warm-up and reference pictures" % self.depth)
        self.references()
        if "splash" in parts:
            log("depth %d: time to splash, %d runs of each of %s" % (self.depth, self.settings.runs,
                                                                   ", ".join(self.programs)))
            self.time_to_splash()
        if "phases" in parts and self.depth == 24 and self.settings.trace_runs:
            log("depth %d: where the time goes, %d traced runs of each program" % (self.depth, self.settings.trace_runs))
            self.phases()
        if "hover" in parts and self.settings.hover_runs:
            log("depth %d: hover response, %d entries" % (self.depth, self.settings.hover_runs))
            self.hover_response()
        if self.reads_medium and reads_variants:
            log("depth %d: start-up reads, %d evicted starts of each layout" % (self.depth, self.settings.reads_runs))
            self.result["reads"] = self.startup_reads(reads_variants)
        return self.result
