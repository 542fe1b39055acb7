"""Everything the benchmark measures on one screen depth, in one Wine session kept running: the reference
pictures (warm-up runs), the time to splash of each program, where a start's time goes (traced runs), the
hover response and the start-up reads from a slow medium, watching sample spots of the window's picture."""

import collections
import contextlib
import glob
import os
import re
import statistics
import sys
import time

from launcherkit import KitError
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
# The poller sleeps this long (seconds) between two looks at the screen, so that it does not take a
# processor away from the programs it times; and the screen rests this long after each program has
# ended, so that one run's ending does not slow the next one's start.
POLL_PAUSE, SETTLE = 0.001, 0.3
# A program started: its Windows path, the spots' raw values of its finished window, and the exit code it
# ends with when its window is clicked (None: not checked).
Program = collections.namedtuple("Program", "path values exit_code", defaults=(0,))


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
    with contextlib.suppress(OSError):  # a thread, or the process, that has ended meanwhile
        for task in os.listdir("/proc/%d/task" % pid):
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
    return total / 1e9


def trace_phases(trace, total):
    """Where a start of `total` seconds went, from its +timestamp,+loaddll trace: what the trace cannot see,
    then from the image mapped to the last DLL before imm32 (the imports), to winex11.drv loaded, to the
    first activation of a window (imm32's ImeSetActiveContext). None when a mark is missing."""
    lines = [(float(stamp), text.rstrip()) for stamp, text in
             re.findall(r"^(\d+\.\d+):[0-9a-f]+:\w+:\w+:(.*)$", trace.lower(), re.M)]
    loads = [(stamp, text) for stamp, text in lines if 'loaded l"' in text]

    def first(found, pattern):
        return next((stamp for stamp, text in found if re.search(pattern, text)), None)

    imm32 = next((i for i, (_, text) in enumerate(loads) if '\\imm32.dll"' in text), 0)
    marks = [first(loads, ": native$"), loads[imm32 - 1][0] if imm32 else None,
             first(loads, r'\\winex11\.drv"'), first(lines, "imesetactivecontext")]
    if None in marks:
        return None
    spans = [b - a for a, b in zip(marks, marks[1:])]
    return [total - sum(spans)] + spans


class DepthBench(LauncherSession):
    """One screen depth in one Wine session kept running; `settings`: the command line and what it measures;
    `reads_medium`: the slow medium of the start-up reads (startup_reads.ReadsMedium), or None."""

    def __init__(self, depth, settings, reads_medium=None):
        super().__init__(settings.build_dir, settings.arch, settings.programs, settings.product,
                         "bench-depth%d" % depth, depth=depth)
        self.settings, self.reads_medium = settings, reads_medium
        self.peer = settings.bench.get("peer") if depth == PEER_DEPTH else None
        self.tier, self.tolerance = 8 if depth == 8 else 24, 8 if depth == 16 else 0
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
                raise KitError("the screen did not show the expected picture within %d s (last %s)"
                               % (timeout, [hex(v) for v in values]))
            if not process.running():
                raise KitError("the program ended (exit code %s) before its window showed" % process.popen.returncode)
            time.sleep(POLL_PAUSE)

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
            raise KitError("%s ended with exit code %d" % (program.path, code))
        wait_until(lambda: self.values() == self.empty, timeout=20, interval=0.01,
                   what="the empty screen after closing")
        self.session.wait_programs_ended()
        time.sleep(SETTLE)

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
        bench, name = self.settings.bench, self.product.launcher_file
        self.lay_medium(extra={"BASELINE.EXE": bench["baseline"], "LINKED/" + name: bench["launcher_as_linked"],
                               **({"PEER.EXE": self.peer} if self.peer else {})})
        if self.reads_medium:
            self.session.map_cdrom("e", self.reads_medium.mount_point)
        self.display.clear_root()
        expected = self.window.expected(self.exe, self.tier)
        spots = window_spots(self.window.geometry, expected)
        self.points, self.result["spots"] = [self.window.on_screen(x, y) for x, y in spots], len(spots)
        self.display.move(*self.window.outside_point)
        self.empty = self.values()
        if len(set(self.empty)) != 1:
            raise KitError("the empty screen is not one colour: %s" % (self.empty,))

        launcher = self.finished_program(self.medium_path(name), self.exe, self.tier)
        colours = (expected.getpixel(spot) for spot in spots)
        if self.depth == 24 and launcher.values != tuple((r << 16) | (g << 8) | b for r, g, b in colours):
            raise KitError("the raw screen values differ from the picture's colours")
        if launcher.values == self.empty:
            raise KitError("the launcher's finished window cannot be told from the empty screen")
        # The same pictures from the layout as linked: the same finished window.
        self.measured = {"launcher": launcher, "as_linked": Program(self.medium_path(name, "LINKED"), launcher.values)}

        process = self.session.start(r"D:\BASELINE.EXE")
        self.display.wait_window("^Baseline Popup$", process.pid, process=process)

        def uniform_not_empty():
            values = self.values()
            return values if len(set(values)) == 1 and values != self.empty else None

        black = wait_until(uniform_not_empty, timeout=20, interval=0.01, what="the baseline's black window")
        self.measured["baseline"] = Program(r"D:\BASELINE.EXE", black)
        self.close_program(process, self.measured["baseline"])
        if self.peer:
            # The peer shows the launcher's picture with every button at rest, pixel for pixel.
            self.measured["peer"] = self.finished_program(r"D:\PEER.EXE", self.exe, self.tier, None)

    def temp_bytes(self):
        """The bytes of the files in the users' temporary folders."""
        total = 0
        for path in glob.glob(os.path.join(self.session.prefix, "drive_c/users/*/**/Temp/**"), recursive=True):
            with contextlib.suppress(OSError):  # removed meanwhile
                total += os.path.getsize(path) if os.path.isfile(path) else 0
        return total

    def time_to_splash(self):
        names = list(self.measured)
        figures = {key: {name: [] for name in names} for key in ("splash", "splash_cpu", "temp_written")}
        self.intervals = []
        for run in range(self.settings.runs):
            for name in names[run % len(names):] + names[:run % len(names)]:
                if self.values() != self.empty:
                    raise KitError("the screen is not empty before a run")
                temp_before = self.temp_bytes()
                process, seconds, used = self.timed_start(self.measured[name])
                for key, value in zip(figures, (seconds, used, self.temp_bytes() - temp_before)):
                    figures[key][name].append(value)
                self.close_program(process, self.measured[name])
        for key, found in figures.items():
            self.result[key] = {name: spread(values) for name, values in found.items()}
        self.result["splash_poll"] = spread(self.intervals)

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
            raise KitError("button 0's pictures do not differ")
        rest_values = self.values(spots)
        inside, outside = self.window.button_centre(SETUP), self.window.background_point
        self.display.move(*inside)
        self.assert_picture(hovered(SETUP), "button 0 under the pointer", self.tier, window=window,
                            tolerance=self.tolerance)
        lit_values = self.values(spots)
        if lit_values == rest_values:
            raise KitError("button 0 lit cannot be told from button 0 at rest")
        times, self.intervals = [], []
        self.display.move(*outside)
        for _ in range(self.settings.hover_runs):
            wait_until(lambda: self.values(spots) == rest_values, interval=0.005, what="button 0 at rest")
            time.sleep(0.02)
            start = time.perf_counter()
            self.display.move(*inside)
            times.append(self.poll(spots, lit_values, start, process)[0])
            self.display.move(*outside)
        self.result["hover"], self.result["hover_poll"] = spread(times), spread(self.intervals)
        # Every entry played the click sound once (after the welcome sound and the reference's entry).
        self.result["hover_sounds"] = len(self.sound.streams(at_least=self.settings.hover_runs + 2)) - 2
        self.close_program(process, self.measured["launcher"])

    def startup_reads(self):
        """Each layout of the slow medium's (ReadsMedium.variants) started once to learn its finished
        picture, then `reads_runs` times from an evicted cache."""
        rows = self.result["reads"] = []
        for label, tier, layouts, exe in self.reads_medium.variants(self.depth):
            row = {"label": label, "tier": tier, "layouts": {}}
            for layout, (relative, _) in layouts.items():
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

    def run(self):
        s = self.settings
        log("depth %d: warm-up and reference pictures" % self.depth)
        self.references()
        for part, wanted, measure in (("splash", s.runs, self.time_to_splash),
                                      ("phases", self.depth == 24 and s.trace_runs, self.phases),
                                      ("hover", s.hover_runs, self.hover_response),
                                      ("reads", self.reads_medium, self.startup_reads)):
            if part in s.parts and wanted:
                log("depth %d: %s" % (self.depth, part))
                measure()
        return self.result
