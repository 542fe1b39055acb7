"""Measures LAUNCH.EXE under Wine on a virtual X screen and writes the figures as JSON; report.py turns
them into docs/benchmarks.md. Figures are measured and reported; nothing is asserted.

    python3 tools/bench/measure.py --json FILE [--runs 20] [--hover-runs 50] [--depths 24,16,8]
                                   [--parts splash,phases,hover,reads,peer]

Time to splash: from starting the program (Wine's loader spawned, the session's wineserver already
running) to the moment its window shows what it should, seen on the X screen itself:
  - LAUNCH.EXE: a set of sample spots over the window (background and all three buttons) all show the
    pixel values of the finished picture (taken from a warm-up run whose whole window was compared with
    the launcher's own pictures); the same for the launcher as linked (LINKED\LAUNCH.EXE);
  - BASELINE.EXE (an empty black popup of the same size, built the same way): the same spots all black;
  - PEER.EXE (depth 24 only; the same splash made with NSIS, tools/bench/nsis_peer.nsi): the same spots
    as the launcher, whose picture it shows pixel for pixel.
The screen's root is made white first, so no state can be mistaken for the empty screen. The programs
run interleaved (rotating which goes first), from the same CD-ROM drive D:.

Hover response: from the pointer entering button 0 (a WarpPointer request, which the X server reports to
Wine as a real motion) to the under-pointer picture on the screen at sample spots where it differs from
the picture at rest.

Start-up reads (root and a loop device; tools/bench/startup_reads.py): the launcher as linked (512-byte
file alignment, data by type and name) and as built (4 KB alignment, data in start-up order) on a
read-only ext4 image mapped as CD-ROM drive E:, evicted before each start; at the finished splash the
pages of the file in the page cache and the device's read count.

The screen is polled through an open X connection (tools/bench/xprobe.py), one GetImage per spot,
pipelined; the measured poll interval is the measurements' resolution.
"""

import argparse
import datetime
import json
import os
import platform
import re
import shutil
import statistics
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", ".."))
# The tests' harness starts the Wine sessions; tools/pe reads the executables' layout.
sys.path[:0] = [os.path.join(SOURCE_DIR, "tests", "harness"), os.path.join(SOURCE_DIR, "tools", "pe")]
# The harness reads the programs' places from the environment when it is imported.
os.environ.setdefault("LAUNCHER_WINE_ARCH", "win64")
os.environ.setdefault("LAUNCHER_BUILD_DIR", os.path.join(
    SOURCE_DIR, "build", "windows-x64" if os.environ["LAUNCHER_WINE_ARCH"] == "win64" else "windows"))
os.environ.setdefault("LAUNCHER_SOURCE_DIR", SOURCE_DIR)

import e2e_support as e2e  # noqa: E402
import pe_resources  # noqa: E402
import startup_reads  # noqa: E402
import wine_host  # noqa: E402
from xprobe import XProbe  # noqa: E402

PARTS = ("splash", "phases", "hover", "reads", "peer")
PEER_DEPTH = 24


class BenchError(Exception):
    pass


def log(text):
    print("benchmark: " + text, file=sys.stderr, flush=True)


def spread(values):
    values = sorted(values)
    quartiles = statistics.quantiles(values, n=4) if len(values) >= 2 else [values[0]] * 3
    return {"median": statistics.median(values), "min": values[0], "max": values[-1],
            "q1": quartiles[0], "q3": quartiles[2], "n": len(values)}


class Settings:
    """What the command line chose: how many runs of what, and the poller's pauses."""

    def __init__(self, args):
        self.json = args.json
        self.runs = args.runs
        self.hover_runs = args.hover_runs
        self.trace_runs = args.trace_runs
        self.reads_runs = args.reads_runs
        self.depths = [int(d) for d in args.depths.split(",")]
        self.parts = set(args.parts.split(","))
        # The poller sleeps this long between two looks at the screen, so that it does not take a
        # processor away from the programs it times; and the screen rests this long after each program has
        # ended, so that one run's ending does not slow the next one's start.
        self.poll_pause = args.poll_pause
        self.settle = args.settle


# -- the screen ---------------------------------------------------------------------------------------------

def set_root_white(probe):
    """Gives the root window a white background and clears it: an empty screen is then never black."""
    probe.sock.sendall(struct.pack("<BxHIII", 2, 4, probe.root, 0x2, probe.white))          # ChangeWindowAttributes
    probe.sock.sendall(struct.pack("<BBHIhhHH", 61, 0, 4, probe.root, 0, 0, 0, 0))           # ClearArea
    probe.sync()


def window_spots(picture):
    """Sample spots (in the window) spread over background and buttons, at pixels that are neither white
    nor black in the finished picture."""
    spots = []
    candidates = [(x, y) for y in (20, 90, 160, 300, 340) for x in (200, 320, 440, 510)]
    for origin_x, origin_y in e2e.BUTTON_ORIGINS:
        candidates += [(origin_x + 10, origin_y + 8), (origin_x + 45, origin_y + 20), (origin_x + 80, origin_y + 32)]
    for x, y in candidates:
        # Move off white or black pixels a little, so the spot tells the picture from an empty screen.
        for dx in range(0, 12):
            colour = picture.getpixel((x + dx, y))
            if colour not in ((0, 0, 0), (255, 255, 255)):
                spots.append((x + dx, y))
                break
    return spots


def to_screen(spots):
    ox, oy = e2e.WINDOW_ORIGIN
    return [(ox + x, oy + y) for x, y in spots]


PHASES = ("process start and the first paint reaching the screen (spawn to the image mapped, activation to the pixels on the screen)",
          "the program's imports and theirs loaded (the image mapped to the last DLL before imm32)",
          "DLL initialisation and the display driver (to winex11.drv loaded)",
          "window created (WM_CREATE's work: the launcher loads its pictures), shown and activated")


def trace_marks(text):
    """Time stamps (s) in a +timestamp,+loaddll log: the program's image mapped, the last DLL loaded before
    imm32 (the imports done), winex11.drv loaded, the first activation of a window (Wine's imm32 reports
    ImeSetActiveContext)."""
    marks = {}
    last_dll = None
    for line in text.splitlines():
        match = re.match(r"^(\d+\.\d+):[0-9a-f]+:(\w+):(\w+):", line)
        if not match:
            continue
        stamp = float(match.group(1))
        lowered = line.lower()
        if 'loaded l"' in lowered:
            if lowered.rstrip().endswith(": native") and "image" not in marks:
                marks["image"] = stamp
            elif '\\imm32.dll"' in lowered:
                marks.setdefault("imports", last_dll)
            elif '\\winex11.drv"' in lowered:
                marks.setdefault("winex11", stamp)
            last_dll = stamp
        elif "imesetactivecontext" in lowered:
            marks.setdefault("active", stamp)
    if len(marks) < 4 or None in marks.values():
        return []
    return [marks["image"], marks["imports"], marks["winex11"], marks["active"]]


def phase_lengths(total, marks):
    """The phases' lengths: what the log cannot see (the total less the log's span) and the log's spans."""
    spans = [b - a for a, b in zip(marks, marks[1:])]
    return [total - sum(spans)] + spans


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


class Poller:
    """Polls a set of screen spots until they show the wanted values; keeps the poll intervals."""

    def __init__(self, probe, pause):
        self.probe = probe
        self.pause = pause
        self.intervals = []
        self.cpu = None

    def wait(self, points, wanted, start, timeout=30, process=None):
        last = start
        deadline = start + timeout
        while True:
            values = self.probe.pixels(points)
            now = time.perf_counter()
            self.intervals.append(now - last)
            last = now
            if values == wanted:
                self.cpu = process_cpu(process.pid) if process is not None else None
                return now - start
            if now > deadline:
                raise BenchError("the screen did not show the expected picture within %d s (last %s)"
                                 % (timeout, [hex(v) for v in values]))
            if process is not None and not process.running():
                raise BenchError("the program ended (exit code %s) before its window showed"
                                 % process.popen.returncode)
            if self.pause:
                time.sleep(self.pause)


class Program:
    """A program the benchmark starts: its Windows path, the spot values of its finished window, and the
    exit code it ends with when its window is clicked (None: not checked)."""

    def __init__(self, path, values=None, exit_code=0):
        self.path, self.values, self.exit_code = path, values, exit_code


# -- one depth ------------------------------------------------------------------------------------------------

class DepthBench:
    """Everything measured on one screen depth, in one Wine session kept running."""

    def __init__(self, depth, programs, settings, reads_medium=None):
        self.depth = depth
        self.exe = programs["launcher"]
        self.baseline = programs["baseline"]
        self.as_linked = programs.get("launcher_as_linked")
        self.peer = programs.get("peer") if depth == PEER_DEPTH else None
        self.settings = settings
        self.reads_medium = reads_medium
        self.result = {"depth": depth}

    def __enter__(self):
        self.launcher = e2e.LauncherSession("bench-depth%d" % self.depth, depth=self.depth, exe=self.exe)
        self.launcher.__enter__()
        try:
            self.session = self.launcher.session
            extra = {"BASELINE.EXE": self.baseline}
            if self.as_linked:
                extra["LINKED/LAUNCH.EXE"] = self.as_linked
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
        s.display.move(*e2e.BACKGROUND_POINT)
        s.display.click()
        s.display.move(*e2e.OUTSIDE_POINT)
        code = process.exit_code(timeout=30)
        if program.exit_code is not None and code != program.exit_code:
            raise BenchError("%s ended with exit code %d" % (program.path, code))
        e2e.wait_until(lambda: self.probe.pixels(self.points) == self.empty, timeout=20, interval=0.01,
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
        expected = e2e.expected_window(self.exe, self.tier())
        self.spots = window_spots(expected)
        self.points = to_screen(self.spots)
        self.result["spots"] = len(self.spots)
        s.display.move(*e2e.OUTSIDE_POINT)
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
        self.programs = {"launcher": Program(r"D:\LAUNCH.EXE", launcher_values)}
        self.close_program(process, self.programs["launcher"])
        if self.as_linked:
            # The same pictures from the layout as linked: the same finished window.
            self.programs["as_linked"] = Program(r"D:\LINKED\LAUNCH.EXE", launcher_values)

        process = s.start(r"D:\BASELINE.EXE")
        s.display.wait_window("^Baseline Popup$", process.pid, process=process)
        black = e2e.wait_until(lambda: self._uniform_not(self.empty), timeout=20, interval=0.01,
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
        rest = e2e.expected_window(self.exe, tier)
        lit = e2e.expected_window(self.exe, tier, e2e.hovered(e2e.SETUP))
        bx, by = e2e.BUTTON_ORIGINS[e2e.SETUP]
        spots = [(x, y) for y in range(by + 3, by + 38, 6) for x in range(bx + 3, bx + 88, 7)
                 if rest.getpixel((x, y)) != lit.getpixel((x, y))]
        step = max(1, len(spots) // 12)
        self.hover_spots = to_screen(spots[::step][:12])
        if not self.hover_spots:
            raise BenchError("button 0's pictures do not differ")
        self.rest_values = self.probe.pixels(self.hover_spots)
        s.display.move(*e2e.button_centre(e2e.SETUP))
        _, difference = self.launcher.wait_for_picture(lit, window, tolerance=self.tolerance())
        if difference:
            raise BenchError("button 0 under the pointer is not its picture: %s" % difference)
        self.lit_values = self.probe.pixels(self.hover_spots)
        s.display.move(*e2e.BACKGROUND_POINT)
        e2e.wait_until(lambda: self.probe.pixels(self.hover_spots) == self.rest_values, what="button 0 at rest")
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
        e2e.wait_until(lambda: self.probe.pixels(self.points) == launcher.values, what="the launcher's window")
        s.sound.streams(at_least=1)  # the welcome sound has played out
        inside = e2e.button_centre(e2e.SETUP)
        outside = e2e.BACKGROUND_POINT
        times = []
        intervals_before = len(self.poller.intervals)
        self.probe.warp(*outside)
        for _ in range(self.settings.hover_runs):
            e2e.wait_until(lambda: self.probe.pixels(self.hover_spots) == self.rest_values, interval=0.005,
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
            expected = e2e.expected_window(exe, tier)
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


# -- what is measured beside the screens ------------------------------------------------------------------------

def size_report(exe):
    result = subprocess.run([os.path.join(SOURCE_DIR, "scripts", "size-report.sh"), exe],
                            capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        return "size-report.sh failed: %s" % result.stderr.strip()
    return result.stdout.strip()


def wine_version():
    return subprocess.run([os.path.join(wine_host.WINE_DIR, "wine64"), "--version"], capture_output=True,
                          text=True).stdout.strip()


def build_peer(work_dir, arch):
    """Builds PEER.EXE with makensis; (path, None) or (None, why not)."""
    if arch != "win32":
        return None, "NSIS makes 32-bit programs, which this host's Wine cannot run"
    if not shutil.which("makensis"):
        return None, "makensis is not installed (scripts/install-deps.sh --bench installs Debian's nsis)"
    os.makedirs(work_dir, exist_ok=True)
    out = os.path.join(work_dir, "PEER.EXE")
    result = subprocess.run(["makensis", "-V1", "-DART=" + os.path.join(SOURCE_DIR, "resources", "art", "true-colour"),
                             "-DOUT=" + out, os.path.join(HERE, "nsis_peer.nsi")], capture_output=True, text=True)
    if result.returncode != 0:
        return None, "makensis failed: %s" % (result.stdout + result.stderr).strip()[-400:]
    version = subprocess.run(["makensis", "-VERSION"], capture_output=True, text=True).stdout.strip()
    return out, "NSIS " + version


def picture_ids(tier):
    ids = e2e.TIERS[tier]
    return [ids["background"], *ids["rest"], *ids["hover"]]


def reads_variants(depth, programs):
    """What the start-up reads are measured of at `depth`: (label, tier, {layout: path}, exe)."""
    tier = 8 if depth == 8 else 24
    variants = [("LAUNCH.EXE", tier, {"as linked": "LINKED/LAUNCH.EXE", "ordered": "ORDERED/LAUNCH.EXE"},
                 programs["launcher"])]
    if depth == PEER_DEPTH and programs.get("launcher4"):
        variants.append(("LAUNCH4.EXE, the 16-colour test build", 4,
                         {"as linked": "LINKED4/LAUNCH.EXE", "ordered": "ORDERED4/LAUNCH.EXE"}, programs["launcher4"]))
    if depth == PEER_DEPTH and programs.get("peer"):
        variants.append(("NSIS peer", 24, {"peer": "PEER/PEER.EXE"}, programs["launcher"]))
    return variants


def reads_medium_files(programs):
    files = {}
    for folder, key in (("ORDERED", "launcher"), ("LINKED", "launcher_as_linked"),
                        ("ORDERED4", "launcher4"), ("LINKED4", "launcher4_as_linked"), ("PEER", "peer")):
        if programs.get(key):
            name = "PEER.EXE" if key == "peer" else "LAUNCH.EXE"
            files["%s/%s" % (folder, name)] = programs[key]
            for stub in ("SETUP32.EXE", "EXPLORER.EXE"):
                files["%s/%s" % (folder, stub)] = e2e.RECORDER_EXE
    return files


def floors(programs):
    """The floor of each set's start, from the layout of the built launcher."""
    with open(programs["launcher"], "rb") as f:
        image = pe_resources.PeImage(f.read())
    return {str(tier): startup_reads.floor_bytes(image, picture_ids(tier)) for tier in (24, 8, 4)}


def main():
    arch = wine_host.arch_from_environment()
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--json", required=True, help="where the figures go")
    parser.add_argument("--runs", type=int, default=20, help="starts of each program per depth")
    parser.add_argument("--hover-runs", type=int, default=50, help="pointer entries per depth (0: none)")
    parser.add_argument("--depths", default="24,16,8")
    parser.add_argument("--trace-runs", type=int, default=10,
                        help="traced starts of each program at depth 24 for the breakdown (0: none)")
    parser.add_argument("--reads-runs", type=int, default=3, help="evicted starts of each layout per depth")
    parser.add_argument("--parts", default=",".join(PARTS), help="what to measure, of %s" % ", ".join(PARTS))
    parser.add_argument("--poll-pause", type=float, default=0.001, help="seconds between two polls")
    parser.add_argument("--settle", type=float, default=0.3, help="seconds of rest after each run")
    settings = Settings(parser.parse_args())

    ok, reason = wine_host.host_can_run(arch)
    if not ok:
        print("benchmark: cannot run: " + reason, file=sys.stderr)
        return 77
    build_dir = e2e.BUILD_DIR
    bench_dir = os.path.join(build_dir, "tools", "bench")
    programs = {"launcher": os.path.join(build_dir, "LAUNCH.EXE"),
                "launcher4": os.path.join(build_dir, "LAUNCH4.EXE"),
                "baseline": os.path.join(bench_dir, "BASELINE.EXE"),
                "launcher_as_linked": os.path.join(bench_dir, "LAUNCH-AS-LINKED.EXE"),
                "launcher4_as_linked": os.path.join(bench_dir, "LAUNCH4-AS-LINKED.EXE")}
    for path in list(programs.values()) + [e2e.RECORDER_EXE]:
        if not os.path.exists(path):
            print("benchmark: %s is missing; build first (cmake --build --preset %s --target all benchmark_programs)"
                  % (path, "windows-x64" if arch == "win64" else "windows"), file=sys.stderr)
            return 1
    results = {"started": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
               "arch": arch, "wine": wine_version(), "platform": platform.platform(),
               "runs": settings.runs, "hover_runs": settings.hover_runs, "reads_runs": settings.reads_runs,
               "parts": sorted(settings.parts), "exe": os.path.relpath(programs["launcher"], SOURCE_DIR),
               "depths": []}

    results["peer"] = {}
    if "peer" in settings.parts:
        programs["peer"], results["peer"]["note"] = build_peer(os.path.join(build_dir, "benchmark", "peer"), arch)
        if programs["peer"]:
            results["peer"]["file_size"] = os.path.getsize(programs["peer"])
    results["peer"]["measured"] = bool(programs.get("peer"))

    reads = {"floors": floors(programs), "file_sizes": {
        name: os.path.getsize(programs[name]) for name in ("launcher", "launcher_as_linked")}}
    results["reads"] = reads
    reason = startup_reads.unavailable_reason() if "reads" in settings.parts else "not asked for (--parts)"
    medium = None
    try:
        if not reason:
            try:
                medium = startup_reads.ReadsMedium(os.path.join(build_dir, "benchmark", "reads"),
                                                   reads_medium_files(programs), log=log).__enter__()
                reads["read_ahead"] = medium.read_ahead()
            except startup_reads.ReadsUnavailable as error:
                reason = str(error)
        reads["skipped"] = reason
        if reason:
            log("start-up reads not measured: %s" % reason)
        for depth in settings.depths:
            with DepthBench(depth, programs, settings, medium) as bench:
                results["depths"].append(bench.run(reads_variants(depth, programs) if medium else []))
    finally:
        if medium:
            medium.close()

    results["sizes"] = {os.path.relpath(programs["launcher"], SOURCE_DIR): size_report(programs["launcher"])}
    product = os.path.join(SOURCE_DIR, "build", "windows", "LAUNCH.EXE")
    if os.path.abspath(product) != os.path.abspath(programs["launcher"]) and os.path.exists(product):
        results["sizes"][os.path.relpath(product, SOURCE_DIR)] = size_report(product)
    os.makedirs(os.path.dirname(os.path.abspath(settings.json)), exist_ok=True)
    with open(settings.json, "w") as f:
        json.dump(results, f, indent=1)
    log("wrote %s" % settings.json)
    return 0


if __name__ == "__main__":
    sys.exit(main())
