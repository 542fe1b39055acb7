"""Everything the benchmark measures on one screen depth, in one Wine session kept running: the reference
pictures (warm-up runs), the time to splash of each program, where a start's time goes (traced runs), the
hover response and the start-up reads from a slow medium, watching sample spots of the window's picture."""

import collections
import glob
import os
import re
import statistics
import sys
import time

from launcherkit.wine.launcher_session import LauncherSession
from launcherkit.wine.waiting import wait_until
from launcherkit.wine.window import REST, SETUP, hovered

# The NSIS peer is measured on a true-colour screen only (the pictures it shows are true-colour ones).
PEER_DEPTH = 24
# Where spots are tried, as fractions of the window's and of each button's width and height, so that they
# cover the background and every button whatever the geometry; button 0's spots where its picture under
# the pointer differs from its picture at rest: at most HOVER_SPOTS, from a grid of HOVER_GRID steps (x, y).
WINDOW_FRACTIONS = [(fx, fy) for fy in (0.06, 0.25, 0.44, 0.83, 0.94) for fx in (0.38, 0.6, 0.83, 0.96)]
BUTTON_FRACTIONS = ((0.12, 0.2), (0.5, 0.5), (0.89, 0.8))
HOVER_SPOTS, HOVER_GRID = 12, (7, 6)
# A program started: its Windows path, the spots' raw values of its finished window, and the exit code it
# ends with when its window is clicked (None: not checked).
Program = collections.namedtuple("Program", "path values exit_code", defaults=(0,))


class BenchError(Exception):
    pass


def log(text):
    print("benchmark: " + text, file=sys.stderr, flush=True)


def spread(values):
    values = sorted(values)
    quartiles = statistics.quantiles(values, n=4) if len(values) >= 2 else [values[0]] * 3
    return {"median": statistics.median(values), "min": values[0], "max": values[-1],
            "q1": quartiles[0], "q3": quartiles[2], "n": len(values)}


def window_spots(geometry, picture):
    """Spots over background and buttons, moved right off white or black pixels of the finished `picture`."""
    width, height = geometry.window_size
    candidates = [(int(width * fx), int(height * fy)) for fx, fy in WINDOW_FRACTIONS]
    for left, top, right, bottom in map(geometry.button_box, range(geometry.button_count)):
        candidates += [(left + int((right - left) * fx), top + int((bottom - top) * fy))
                       for fx, fy in BUTTON_FRACTIONS]
    spots = (next(((x + dx, y) for dx in range(12) if x + dx < width
                   and picture.getpixel((x + dx, y)) not in ((0, 0, 0), (255, 255, 255))), None)
             for x, y in candidates)
    return [spot for spot in spots if spot]


def process_cpu(pid):
    """Processor time (seconds) that all threads of a process have used so far."""
    total = 0
    try:
        for task in os.listdir("/proc/%d/task" % pid):
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
    except (OSError, ValueError, IndexError):
        pass
    return total / 1e9


def trace_phases(trace, total):
    """Where a start of `total` seconds went, from its +timestamp,+loaddll trace: what the trace cannot see,
    then from the image mapped to the last DLL before imm32 (the imports), to winex11.drv loaded, to the
    first activation of a window (imm32's ImeSetActiveContext). None when a mark is missing."""
    marks, last_dll = {}, None
    for line in trace.lower().splitlines():
        match = re.match(r"^(\d+\.\d+):[0-9a-f]+:\w+:\w+:", line)
        if not match:
            continue
        stamp = float(match.group(1))
        if 'loaded l"' in line:
            if line.rstrip().endswith(": native") and "image" not in marks:
                marks["image"] = stamp
            elif '\\imm32.dll"' in line:
                marks.setdefault("imports", last_dll)
            elif '\\winex11.drv"' in line:
                marks.setdefault("winex11", stamp)
            last_dll = stamp
        elif "imesetactivecontext" in line:
            marks.setdefault("active", stamp)
    marks = [marks.get(mark) for mark in ("image", "imports", "winex11", "active")]
    if None in marks:
        return None
    spans = [b - a for a, b in zip(marks, marks[1:])]
    return [total - sum(spans)] + spans


class DepthBench(LauncherSession):
    """One screen depth in one Wine session kept running; `settings`: the command line and what it measures."""

    def __init__(self, depth, settings, reads_medium=None):
        super().__init__(settings.build_dir, settings.arch, settings.programs, settings.product,
                         "bench-depth%d" % depth, depth=depth)
        self.settings, self.reads_medium = settings, reads_medium
        self.peer = settings.bench.get("peer") if depth == PEER_DEPTH else None
        self.tier = 8 if depth == 8 else 24
        self.tolerance = 8 if depth == 16 else 0
        self.intervals = []  # between two looks at the screen: the resolution of the times measured
        self.result = {"depth": depth}

    def values(self, points=None):
        return self.display.spot_values(points or self.points)

    def poll(self, points, wanted, start, process, timeout=30):
        """(Seconds from `start` until the spots at `points` show `wanted`, processor time of `process`)."""
        last = start
        while True:
            values = self.values(points)
            now = time.perf_counter()
            self.intervals.append(now - last)
            last = now
            if values == wanted:
                return now - start, process_cpu(process.pid)
            if now > start + timeout:
                raise BenchError("the screen did not show the expected picture within %d s (last %s)"
                                 % (timeout, [hex(v) for v in values]))
            if not process.running():
                raise BenchError("the program ended (exit code %s) before its window showed"
                                 % process.popen.returncode)
            if self.settings.poll_pause:
                time.sleep(self.settings.poll_pause)

    def timed_start(self, program, debug=None):
        """(The process started, seconds until its window is finished, its processor time then)."""
        start = time.perf_counter()
        process = self.session.start(program.path, debug=debug)
        return (process, *self.poll(self.points, program.values, start, process))

    def close_program(self, process, program):
        """Clicks the window's background (every program closes on it); waits for an empty screen."""
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

    def finished_program(self, path, exe, tier, exit_code=0):
        """A warm-up run, not counted: the Program, once its window is the picture of `exe`'s pictures of
        `tier` with every button at rest."""
        process = self.session.start(path)
        self.assert_picture(REST, "%s at depth %d" % (path, self.depth), tier, window=self.wait_window(process),
                            tolerance=self.tolerance, exe=exe)
        program = Program(path, self.values(), exit_code)
        self.close_program(process, program)
        return program

    def references(self):
        """Lays the medium out, then warm-up runs: the spots' values of the finished windows (each picture
        checked whole first)."""
        extra = {"BASELINE.EXE": self.settings.bench["baseline"],
                 "LINKED/" + self.product.launcher_file: self.settings.bench["launcher_as_linked"]}
        if self.peer:
            extra["PEER.EXE"] = self.peer
        self.lay_medium(extra=extra)
        if self.reads_medium:
            self.session.map_cdrom("e", self.reads_medium.mount_point)
        self.display.clear_root()
        expected = self.window.expected(self.exe, self.tier)
        self.spots = window_spots(self.window.geometry, expected)
        self.points = [self.window.on_screen(x, y) for x, y in self.spots]
        self.result["spots"] = len(self.spots)
        self.display.move(*self.window.outside_point)
        self.empty = self.values()
        if len(set(self.empty)) != 1:
            raise BenchError("the empty screen is not one colour: %s" % (self.empty,))

        launcher = self.finished_program(self.medium_path(self.product.launcher_file), self.exe, self.tier)
        colours = (expected.getpixel(spot) for spot in self.spots)
        if self.depth == 24 and launcher.values != tuple((r << 16) | (g << 8) | b for r, g, b in colours):
            raise BenchError("the raw screen values differ from the picture's colours")
        # The same pictures from the layout as linked: the same finished window.
        self.measured = {"launcher": launcher, "as_linked": Program(
            self.medium_path(self.product.launcher_file, "LINKED"), launcher.values)}

        process = self.session.start(r"D:\BASELINE.EXE")
        self.display.wait_window("^Baseline Popup$", process.pid, process=process)

        def uniform_not_empty():
            values = self.values()
            return values if len(set(values)) == 1 and values != self.empty else None

        black = wait_until(uniform_not_empty, timeout=20, interval=0.01, what="the baseline's black window")
        self.measured["baseline"] = Program(r"D:\BASELINE.EXE", black)
        self.close_program(process, self.measured["baseline"])
        if launcher.values == self.empty or black == self.empty:
            raise BenchError("a finished window cannot be told from the empty screen")
        if self.peer:
            # The peer shows the launcher's picture with every button at rest, pixel for pixel.
            self.measured["peer"] = self.finished_program(r"D:\PEER.EXE", self.exe, self.tier, None)

    def temp_bytes(self):
        """The bytes of the files in the users' temporary folders."""
        total = 0
        for path in glob.glob(os.path.join(self.session.prefix, "drive_c/users/*/**/Temp/**"), recursive=True):
            try:
                total += os.path.getsize(path) if os.path.isfile(path) else 0
            except OSError:
                pass  # removed meanwhile
        return total

    def time_to_splash(self):
        names = list(self.measured)
        times, cpu, written = ({name: [] for name in names} for _ in range(3))
        intervals_before = len(self.intervals)
        for run in range(self.settings.runs):
            for name in names[run % len(names):] + names[:run % len(names)]:
                if self.values() != self.empty:
                    raise BenchError("the screen is not empty before a run")
                temp_before = self.temp_bytes()
                process, seconds, used = self.timed_start(self.measured[name])
                times[name].append(seconds)
                cpu[name].append(used)
                written[name].append(self.temp_bytes() - temp_before)
                self.close_program(process, self.measured[name])
        for key, figures in (("splash", times), ("splash_cpu", cpu), ("temp_written", written)):
            self.result[key] = {name: spread(values) for name, values in figures.items()}
        self.result["splash_poll"] = spread(self.intervals[intervals_before:])

    def phases(self):
        """Where a start's time goes: runs traced with WINEDEBUG=+timestamp,+loaddll ."""
        found = {"launcher": [], "baseline": []}
        for run in range(self.settings.trace_runs):
            for name in (("launcher", "baseline") if run % 2 == 0 else ("baseline", "launcher")):
                process, total, _ = self.timed_start(self.measured[name], debug="+timestamp,+loaddll")
                self.close_program(process, self.measured[name])
                phases = trace_phases(process.log(), total)
                if phases:
                    found[name].append(phases)
        self.result["phases"] = {name: [statistics.median(column) for column in zip(*rows)] if rows else None
                                 for name, rows in found.items()}
        self.result["phase_runs"] = self.settings.trace_runs

    def hover_response(self):
        """From the pointer entering button 0 to its lit picture, at spots where that differs from rest."""
        self.sound.clear()
        process, window = self.start()
        wait_until(lambda: self.values() == self.measured["launcher"].values, what="the launcher's window")
        self.sound.streams(at_least=1)  # the welcome sound has played out
        rest = self.window.expected(self.exe, self.tier)
        lit = self.window.expected(self.exe, self.tier, hovered(SETUP))
        left, top, right, bottom = self.window.geometry.button_box(SETUP)
        spots = [self.window.on_screen(x, y) for y in range(top + 3, bottom - 2, HOVER_GRID[1])
                 for x in range(left + 3, right - 2, HOVER_GRID[0]) if rest.getpixel((x, y)) != lit.getpixel((x, y))]
        spots = spots[::max(1, len(spots) // HOVER_SPOTS)][:HOVER_SPOTS]
        if not spots:
            raise BenchError("button 0's pictures do not differ")
        rest_values = self.values(spots)
        inside, outside = self.window.button_centre(SETUP), self.window.background_point
        self.display.move(*inside)
        self.assert_picture(hovered(SETUP), "button 0 under the pointer", self.tier, window=window,
                            tolerance=self.tolerance)
        lit_values = self.values(spots)
        if lit_values == rest_values:
            raise BenchError("button 0 lit cannot be told from button 0 at rest")
        times = []
        intervals_before = len(self.intervals)
        self.display.move(*outside)
        for _ in range(self.settings.hover_runs):
            wait_until(lambda: self.values(spots) == rest_values, interval=0.005, what="button 0 at rest")
            time.sleep(0.02)
            start = time.perf_counter()
            self.display.move(*inside)
            times.append(self.poll(spots, lit_values, start, process)[0])
            self.display.move(*outside)
        self.result["hover"] = spread(times)
        self.result["hover_poll"] = spread(self.intervals[intervals_before:])
        # Every entry played the click sound once (after the welcome sound and the reference's entry).
        self.result["hover_sounds"] = len(self.sound.streams(at_least=self.settings.hover_runs + 2)) - 2
        self.close_program(process, self.measured["launcher"])

    def startup_reads(self, variants):
        """variants: startup_reads.variants(). Each layout is started once to learn its finished picture,
        then `reads_runs` times from an evicted cache."""
        rows = self.result["reads"] = []
        for label, tier, layouts, exe in variants:
            row = {"label": label, "tier": tier, "layouts": {}}
            for layout, relative in layouts.items():
                program = self.finished_program("E:\\" + relative.replace("/", "\\"), exe, tier,
                                                None if layout == "peer" else 0)
                measured = row["layouts"][layout] = []
                for _ in range(self.settings.reads_runs):
                    before = self.reads_medium.prepare(relative)
                    process, _, _ = self.timed_start(program)
                    measured.append(self.reads_medium.reads(relative, before))
                    self.close_program(process, program)
                log("depth %d %s %s: %s bytes in %s runs" % (self.depth, label, layout,
                    "/".join(str(m["bytes"]) for m in measured), "/".join(str(m["runs"]) for m in measured)))
            rows.append(row)

    def run(self, reads_variants):
        s = self.settings
        log("depth %d: warm-up and reference pictures" % self.depth)
        self.references()
        for wanted, what, measure in (
                ("splash" in s.parts, "time to splash, %d runs of each of %s" % (s.runs, ", ".join(self.measured)),
                 self.time_to_splash),
                ("phases" in s.parts and self.depth == 24 and s.trace_runs,
                 "where the time goes, %d traced runs of each program" % s.trace_runs, self.phases),
                ("hover" in s.parts and s.hover_runs, "hover response, %d entries" % s.hover_runs,
                 self.hover_response),
                (self.reads_medium and reads_variants,
                 "start-up reads, %d evicted starts of each layout" % s.reads_runs,
                 lambda: self.startup_reads(reads_variants))):
            if wanted:
                log("depth %d: %s" % (self.depth, what))
                measure()
        return self.result
