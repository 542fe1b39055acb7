"""Everything the benchmark measures on one screen depth, in one Wine session kept running: the
reference pictures of the finished windows (warm-up runs), the time to splash of each program in turn,
where a start's time goes (traced runs), the hover response, and the start-up reads from a slow medium.
Figures are measured and reported; nothing is asserted."""

import glob
import os
import statistics
import sys
import time

from launcherkit.wine.launcher_session import LauncherSession
from launcherkit.wine.waiting import wait_until
from launcherkit.wine.window import SETUP, hovered

from bench.screen_poll import BenchError, Poller, hover_spots, spread, window_spots
from bench.trace_phases import phase_lengths, trace_marks

# The NSIS peer is measured on a true-colour screen only (the pictures it shows are true-colour ones).
PEER_DEPTH = 24


def log(text):
    print("benchmark: " + text, file=sys.stderr, flush=True)


class Program:
    """A program the benchmark starts: its Windows path, the spot values of its finished window, and the
    exit code it ends with when its window is clicked (None: not checked)."""

    def __init__(self, path, values=None, exit_code=0):
        self.path, self.values, self.exit_code = path, values, exit_code


class DepthBench:
    """Everything measured on one screen depth, in one Wine session kept running. `subjects`
    (measure.Subjects): the build, its product and the programs measured; `settings`: the command line."""

    def __init__(self, depth, subjects, settings, reads_medium=None):
        self.depth = depth
        self.subjects = subjects
        self.exe = subjects.programs.launcher
        self.peer = subjects.bench.get("peer") if depth == PEER_DEPTH else None
        self.settings = settings
        self.reads_medium = reads_medium
        self.tier = 8 if depth == 8 else 24
        self.tolerance = 8 if depth == 16 else 0
        self.result = {"depth": depth}

    def __enter__(self):
        s = self.subjects
        self.launcher = LauncherSession(s.build_dir, s.arch, s.programs, s.product, "bench-depth%d" % self.depth,
                                        depth=self.depth)
        self.launcher.__enter__()
        try:
            self.session, self.window = self.launcher.session, self.launcher.window
            self.display = self.launcher.display
            extra = {"BASELINE.EXE": s.bench["baseline"],
                     "LINKED/" + s.product.launcher_file: s.bench["launcher_as_linked"]}
            if self.peer:
                extra["PEER.EXE"] = self.peer
            self.launcher.lay_medium(extra=extra)
            if self.reads_medium:
                self.session.map_cdrom("e", self.reads_medium.mount_point)
            self.display.clear_root()
            self.poller = Poller(self.display, self.settings.poll_pause)
        except BaseException:
            self.launcher.close()
            raise
        return self

    def __exit__(self, *exc):
        self.launcher.close()
        return False

    def values(self, points=None):
        return self.display.spot_values(points or self.points)

    def timed_start(self, program, debug=None):
        """Starts a program; (its process, seconds until its window shows the program's finished values)."""
        start = time.perf_counter()
        process = self.session.start(program.path, debug=debug)
        return process, self.poller.wait(self.points, program.values, start, process=process)

    def close_program(self, process, program):
        """Clicks the window's background (every program closes on it) and waits for the process to end
        and the screen to be empty again."""
        self.display.move(*self.window.background_point)
        self.display.click()
        self.display.move(*self.window.outside_point)
        code = process.exit_code(timeout=30)
        if program.exit_code is not None and code != program.exit_code:
            raise BenchError("%s ended with exit code %d" % (program.path, code))
        wait_until(lambda: self.values() == self.empty, timeout=20, interval=0.01,
                   what="the empty screen after closing")
        self.session.wait_programs_ended()
        time.sleep(self.settings.settle)

    def finished_program(self, path, expected, exit_code=0):
        """Starts a program, waits until its window is the expected picture, and returns it as a Program
        with the spots' raw values then (a warm-up run, not counted)."""
        process = self.session.start(path)
        window = self.launcher.wait_window(process)
        _, difference = self.launcher.wait_for_picture(expected, window, tolerance=self.tolerance)
        if difference:
            raise BenchError("%s's window is not the expected picture at depth %d: %s" % (path, self.depth, difference))
        program = Program(path, self.values(), exit_code)
        self.close_program(process, program)
        return program

    def references(self):
        """Warm-up runs: the spots' raw values of the finished launcher window (whose whole picture is
        checked against the launcher's pictures first), of the baseline's black and of the peer."""
        expected = self.window.expected(self.exe, self.tier)
        self.spots = window_spots(self.window.geometry, expected)
        self.points = [self.window.on_screen(x, y) for x, y in self.spots]
        self.result["spots"] = len(self.spots)
        self.display.move(*self.window.outside_point)
        self.empty = self.values()
        if len(set(self.empty)) != 1:
            raise BenchError("the empty screen is not one colour: %s" % (self.empty,))

        launcher_file = self.subjects.product.launcher_file
        launcher = self.finished_program(self.launcher.medium_path(launcher_file), expected)
        colours = (expected.getpixel(spot) for spot in self.spots)
        if self.depth == 24 and launcher.values != tuple((r << 16) | (g << 8) | b for r, g, b in colours):
            raise BenchError("the raw screen values differ from the picture's colours")
        # The same pictures from the layout as linked: the same finished window.
        self.programs = {"launcher": launcher, "as_linked": Program(
            self.launcher.medium_path(launcher_file, "LINKED"), launcher.values)}

        process = self.session.start(r"D:\BASELINE.EXE")
        self.display.wait_window("^Baseline Popup$", process.pid, process=process)

        def uniform_not_empty():
            values = self.values()
            return values if len(set(values)) == 1 and values != self.empty else None

        black = wait_until(uniform_not_empty, timeout=20, interval=0.01, what="the baseline's black window")
        self.programs["baseline"] = Program(r"D:\BASELINE.EXE", black)
        self.close_program(process, self.programs["baseline"])
        if launcher.values == self.empty or black == self.empty:
            raise BenchError("a finished window cannot be told from the empty screen")
        if self.peer:
            # The peer shows the launcher's picture with every button at rest, pixel for pixel.
            self.programs["peer"] = self.finished_program(r"D:\PEER.EXE", expected, exit_code=None)

    def temp_bytes(self):
        """The bytes of the files in the users' temporary folders."""
        total = 0
        for path in glob.glob(os.path.join(self.session.prefix, "drive_c", "users", "*", "**", "Temp", "**"),
                              recursive=True):
            try:
                total += os.path.getsize(path) if os.path.isfile(path) else 0
            except OSError:
                pass  # removed meanwhile
        return total

    def time_to_splash(self):
        names = list(self.programs)
        times, cpu, written = ({name: [] for name in names} for _ in range(3))
        intervals_before = len(self.poller.intervals)
        for run in range(self.settings.runs):
            for name in names[run % len(names):] + names[:run % len(names)]:
                if self.values() != self.empty:
                    raise BenchError("the screen is not empty before a run")
                temp_before = self.temp_bytes()
                process, seconds = self.timed_start(self.programs[name])
                times[name].append(seconds)
                cpu[name].append(self.poller.cpu)
                written[name].append(self.temp_bytes() - temp_before)
                self.close_program(process, self.programs[name])
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
                process, total = self.timed_start(self.programs[name], debug="+timestamp,+loaddll")
                self.close_program(process, self.programs[name])
                marks = trace_marks(process.log())
                if len(marks) == 4:
                    found[name].append(phase_lengths(total, marks))
        self.result["phases"] = {name: [statistics.median(column) for column in zip(*rows)] if rows else None
                                 for name, rows in found.items()}
        self.result["phase_runs"] = self.settings.trace_runs

    def hover_response(self):
        """From the pointer entering button 0 to its under-pointer picture, at the spots of button 0 where
        that picture differs from its picture at rest."""
        self.launcher.sound.clear()
        launcher = self.programs["launcher"]
        process, window = self.launcher.start()
        wait_until(lambda: self.values() == launcher.values, what="the launcher's window")
        self.launcher.sound.streams(at_least=1)  # the welcome sound has played out
        rest = self.window.expected(self.exe, self.tier)
        lit = self.window.expected(self.exe, self.tier, hovered(SETUP))
        spots = [self.window.on_screen(x, y) for x, y in hover_spots(self.window.geometry, rest, lit, SETUP)]
        if not spots:
            raise BenchError("button 0's pictures do not differ")
        rest_values = self.values(spots)
        inside, outside = self.window.button_centre(SETUP), self.window.background_point
        self.display.move(*inside)
        _, difference = self.launcher.wait_for_picture(lit, window, tolerance=self.tolerance)
        if difference:
            raise BenchError("button 0 under the pointer is not its picture: %s" % difference)
        lit_values = self.values(spots)
        if lit_values == rest_values:
            raise BenchError("button 0 lit cannot be told from button 0 at rest")
        times = []
        intervals_before = len(self.poller.intervals)
        self.display.move(*outside)
        for _ in range(self.settings.hover_runs):
            wait_until(lambda: self.values(spots) == rest_values, interval=0.005, what="button 0 at rest")
            time.sleep(0.02)
            start = time.perf_counter()
            self.display.move(*inside)
            times.append(self.poller.wait(spots, lit_values, start, process=process))
            self.display.move(*outside)
        self.result["hover"] = spread(times)
        self.result["hover_poll"] = spread(self.poller.intervals[intervals_before:])
        # Every entry played the click sound once (after the welcome sound and the reference's entry).
        streams = self.launcher.sound.streams(at_least=self.settings.hover_runs + 2)
        self.result["hover_sounds"] = len(streams) - 2
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
                program = self.finished_program("E:\\" + relative.replace("/", "\\"), expected,
                                                None if layout == "peer" else 0)
                measured = []
                for _ in range(self.settings.reads_runs):
                    before = medium.prepare(relative)
                    process, seconds = self.timed_start(program)
                    measured.append(dict(medium.reads(relative, before), seconds=seconds))
                    self.close_program(process, program)
                row["layouts"][layout] = measured
                log("depth %d %s %s: %s bytes in %s runs" % (self.depth, label, layout,
                    "/".join(str(m["bytes"]) for m in measured), "/".join(str(m["runs"]) for m in measured)))
            rows.append(row)
        return rows

    def run(self, reads_variants):
        parts, settings = self.settings.parts, self.settings
        log("depth %d: warm-up and reference pictures" % self.depth)
        self.references()
        if "splash" in parts:
            log("depth %d: time to splash, %d runs of each of %s" % (self.depth, settings.runs,
                                                                   ", ".join(self.programs)))
            self.time_to_splash()
        if "phases" in parts and self.depth == 24 and settings.trace_runs:
            log("depth %d: where the time goes, %d traced runs of each program" % (self.depth, settings.trace_runs))
            self.phases()
        if "hover" in parts and settings.hover_runs:
            log("depth %d: hover response, %d entries" % (self.depth, settings.hover_runs))
            self.hover_response()
        if self.reads_medium and reads_variants:
            log("depth %d: start-up reads, %d evicted starts of each layout" % (self.depth, settings.reads_runs))
            self.result["reads"] = self.startup_reads(reads_variants)
        return self.result
