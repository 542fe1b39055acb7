"""Benchmarks of LAUNCH.EXE under Wine on a virtual X screen: time to splash against an empty popup of
the same size, hover response, and where the executable's bytes go. Prints a Markdown report and, unless
told otherwise, keeps it as docs/benchmarks.md. Figures are measured and reported; nothing is asserted.

    python3 tests/bench/benchmark.py [--runs 20] [--hover-runs 50] [--depths 24,16,8] [--no-write]

Time to splash: from starting the program (Wine's loader spawned, the session's wineserver already
running) to the moment its window shows what it should, seen on the X screen itself:
  - LAUNCH.EXE: a set of sample spots over the window (background and all three buttons) all show the
    pixel values of the finished picture (taken from a warm-up run whose whole window was compared with
    the launcher's own pictures);
  - BASELINE.EXE (an empty black popup of the same size, built the same way): the same spots all black.
The screen's root is made white first, so neither state can be mistaken for the empty screen. The two
programs run interleaved (alternating which goes first), from the same CD-ROM drive D:.

Hover response: from the pointer entering button 0 (a WarpPointer request, which the X server reports to
Wine as a real motion) to the under-pointer picture on the screen at sample spots where it differs from
the picture at rest.

The screen is polled through an open X connection (tests/bench/xprobe.py), one GetImage per spot,
pipelined; the measured poll interval is the measurements' resolution.
"""

import argparse
import datetime
import os
import platform
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "harness"))
# The harness reads the programs' places from the environment when it is imported.
os.environ.setdefault("LAUNCHER_WINE_ARCH", "win64")
os.environ.setdefault("LAUNCHER_BUILD_DIR", os.path.join(
    SOURCE_DIR, "build", "windows-x64" if os.environ["LAUNCHER_WINE_ARCH"] == "win64" else "windows"))
os.environ.setdefault("LAUNCHER_SOURCE_DIR", SOURCE_DIR)

import e2e_support as e2e  # noqa: E402
import images  # noqa: E402
import wine_session  # noqa: E402
from xprobe import XProbe  # noqa: E402

TARGET_RATIO = 1.10
# The poller sleeps this long between two looks at the screen, so that it does not take a processor away
# from the programs it times (--poll-pause); and the screen rests this long after each program has ended
# (--settle), so that one run's ending does not slow the next one's start.
POLL_PAUSE = 0.001
SETTLE = 0.3


class BenchError(Exception):
    pass


def log(text):
    print("benchmark: " + text, file=sys.stderr, flush=True)


def spread(values):
    values = sorted(values)
    quartiles = statistics.quantiles(values, n=4) if len(values) >= 2 else [values[0]] * 3
    return {"median": statistics.median(values), "min": values[0], "max": values[-1],
            "q1": quartiles[0], "q3": quartiles[2], "n": len(values)}


def ms(seconds):
    return "%.1f" % (seconds * 1000)


# -- the screen ---------------------------------------------------------------------------------------------

def set_root_white(probe):
    """Gives the root window a white background and clears it: an empty screen is then never black."""
    import struct
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
            colour = picture.pixel(x + dx, y)
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


class Poller:
    """Polls a set of screen spots until they show the wanted values; keeps the poll intervals."""

    def __init__(self, probe, pause):
        self.probe = probe
        self.pause = pause
        self.intervals = []

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


# -- one depth ------------------------------------------------------------------------------------------------

class DepthBench:
    def __init__(self, depth, exe, baseline, runs, hover_runs, trace_runs=0):
        self.trace_runs = trace_runs
        self.depth = depth
        self.exe = exe
        self.baseline = baseline
        self.runs = runs
        self.hover_runs = hover_runs
        self.result = {"depth": depth}

    def __enter__(self):
        self.launcher = e2e.LauncherSession("bench-depth%d" % self.depth, depth=self.depth, exe=self.exe)
        self.launcher.__enter__()
        self.session = self.launcher.session
        self.launcher.lay_medium(extra={"BASELINE.EXE": self.baseline})
        self.probe = XProbe(self.session.display)
        set_root_white(self.probe)
        self.poller = Poller(self.probe, POLL_PAUSE)
        return self

    def __exit__(self, *exc):
        self.probe.close()
        self.launcher.close()
        return False

    def tier(self):
        return 8 if self.depth == 8 else 24

    def close_program(self, process, points, empty):
        """Clicks the window's background (both programs close on it) and waits for the process to end and
        the screen to be empty again."""
        s = self.session
        s.move(*e2e.BACKGROUND_POINT)
        s.click()
        s.move(*e2e.OUTSIDE_POINT)
        code = process.exit_code(timeout=30)
        if code != 0:
            raise BenchError("%s ended with exit code %d" % (process.command[-1], code))
        e2e.wait_until(lambda: self.probe.pixels(points) == empty, timeout=20, interval=0.01,
                       what="the empty screen after closing")
        s.wait_programs_ended()
        time.sleep(SETTLE)

    def references(self):
        """Warm-up runs of both programs: the spots' raw values of the finished launcher window (whose
        whole picture is checked against the launcher's pictures first) and of the baseline's black."""
        s = self.session
        expected = e2e.expected_window(self.exe, self.tier())
        self.spots = window_spots(expected)
        self.points = to_screen(self.spots)
        s.move(*e2e.OUTSIDE_POINT)
        self.empty = self.probe.pixels(self.points)
        if len(set(self.empty)) != 1:
            raise BenchError("the empty screen is not one colour: %s" % (self.empty,))

        process, window = self.launcher.start()
        tolerance = 8 if self.depth == 16 else 0
        _, difference = self.launcher.wait_for_picture(expected, window, tolerance=tolerance)
        if difference:
            raise BenchError("the launcher's window is not its picture at depth %d: %s" % (self.depth, difference))
        self.launcher_values = self.probe.pixels(self.points)
        if self.depth == 24:
            wanted = tuple((r << 16) | (g << 8) | b for r, g, b in (expected.pixel(x, y) for x, y in self.spots))
            if wanted != self.launcher_values:
                raise BenchError("the raw screen values differ from the picture's colours")
        self.hover_reference(window)
        self.close_program(process, self.points, self.empty)

        process = s.start(r"D:\BASELINE.EXE")
        s.wait_window(process.pid, name="^Baseline Popup$", process=process)
        black = e2e.wait_until(lambda: self._uniform_not(self.empty), timeout=20, interval=0.01,
                               what="the baseline's black window")
        self.baseline_values = black
        self.close_program(process, self.points, self.empty)
        if self.launcher_values == self.empty or self.baseline_values == self.empty:
            raise BenchError("a finished window cannot be told from the empty screen")

    def _uniform_not(self, empty):
        values = self.probe.pixels(self.points)
        return values if len(set(values)) == 1 and values != empty else None

    def hover_reference(self, window):
        """Spots of button 0 where its under-pointer picture differs from its picture at rest, and their
        raw values in both states."""
        s = self.session
        tier = self.tier()
        rest = e2e.expected_window(self.exe, tier)
        lit = e2e.expected_window(self.exe, tier, ("hover", "rest", "rest"))
        bx, by = e2e.BUTTON_ORIGINS[e2e.SETUP]
        spots = [(x, y) for y in range(by + 3, by + 38, 6) for x in range(bx + 3, bx + 88, 7)
                 if rest.pixel(x, y) != lit.pixel(x, y)]
        step = max(1, len(spots) // 12)
        self.hover_spots = to_screen(spots[::step][:12])
        if not self.hover_spots:
            raise BenchError("button 0's pictures do not differ")
        self.rest_values = self.probe.pixels(self.hover_spots)
        s.move(*e2e.button_centre(e2e.SETUP))
        tolerance = 8 if self.depth == 16 else 0
        _, difference = self.launcher.wait_for_picture(lit, window, tolerance=tolerance)
        if difference:
            raise BenchError("button 0 under the pointer is not its picture: %s" % difference)
        self.lit_values = self.probe.pixels(self.hover_spots)
        s.move(*e2e.BACKGROUND_POINT)
        e2e.wait_until(lambda: self.probe.pixels(self.hover_spots) == self.rest_values, what="button 0 at rest")
        if self.lit_values == self.rest_values:
            raise BenchError("button 0 lit cannot be told from button 0 at rest")

    def time_to_splash(self):
        s = self.session
        programs = {"launcher": (r"D:\LAUNCH.EXE", self.launcher_values),
                    "baseline": (r"D:\BASELINE.EXE", self.baseline_values)}
        times = {"launcher": [], "baseline": []}
        cpu = {"launcher": [], "baseline": []}
        intervals_before = len(self.poller.intervals)
        for run in range(self.runs):
            order = ("launcher", "baseline") if run % 2 == 0 else ("baseline", "launcher")
            for name in order:
                path, wanted = programs[name]
                if self.probe.pixels(self.points) != self.empty:
                    raise BenchError("the screen is not empty before a run")
                start = time.perf_counter()
                process = s.start(path)
                times[name].append(self.poller.wait(self.points, wanted, start, process=process))
                cpu[name].append(self.poller.cpu)
                self.close_program(process, self.points, self.empty)
        self.result["splash"] = {name: spread(values) for name, values in times.items()}
        self.result["splash_raw"] = times
        self.result["splash_cpu"] = {name: spread(values) for name, values in cpu.items()}
        self.result["splash_poll"] = spread(self.poller.intervals[intervals_before:])

    def phases(self, runs):
        """Where a start's time goes: runs traced with WINEDEBUG=+timestamp,+loaddll ."""
        s = self.session
        programs = {"launcher": (r"D:\LAUNCH.EXE", self.launcher_values),
                    "baseline": (r"D:\BASELINE.EXE", self.baseline_values)}
        found = {"launcher": [], "baseline": []}
        for run in range(runs):
            for name in (("launcher", "baseline") if run % 2 == 0 else ("baseline", "launcher")):
                path, wanted = programs[name]
                start = time.perf_counter()
                process = s.start(path, debug="+timestamp,+loaddll")
                total = self.poller.wait(self.points, wanted, start, process=process)
                self.close_program(process, self.points, self.empty)
                marks = trace_marks(process.log())
                if len(marks) == 4:
                    found[name].append(phase_lengths(total, marks))
        self.result["phases"] = {name: [statistics.median(column) for column in zip(*rows)] if rows else None
                                 for name, rows in found.items()}
        self.result["phase_runs"] = runs

    def hover_response(self):
        s = self.session
        s.clear_sounds()
        process, window = self.launcher.start()
        e2e.wait_until(lambda: self.probe.pixels(self.points) == self.launcher_values, what="the launcher's window")
        s.captured_sounds(at_least=1)  # the welcome sound has played out
        inside = e2e.button_centre(e2e.SETUP)
        outside = e2e.BACKGROUND_POINT
        times = []
        intervals_before = len(self.poller.intervals)
        self.probe.warp(*outside)
        for _ in range(self.hover_runs):
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
        streams = s.captured_sounds(at_least=self.hover_runs + 1)
        self.result["hover_sounds"] = len(streams) - 1
        self.close_program(process, self.points, self.empty)

    def run(self):
        log("depth %d: warm-up and reference pictures" % self.depth)
        self.references()
        log("depth %d: time to splash, %d runs of each program" % (self.depth, self.runs))
        self.time_to_splash()
        if self.trace_runs:
            log("depth %d: where the time goes, %d traced runs of each program" % (self.depth, self.trace_runs))
            self.phases(self.trace_runs)
        if self.hover_runs:
            log("depth %d: hover response, %d entries" % (self.depth, self.hover_runs))
            self.hover_response()
        return self.result


# -- the report ------------------------------------------------------------------------------------------------

def size_report(exe):
    result = subprocess.run([os.path.join(SOURCE_DIR, "scripts", "size-report.sh"), exe],
                            capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        return "size-report.sh failed: %s" % result.stderr.strip()
    return result.stdout.strip()


def wine_version():
    return subprocess.run([os.path.join(wine_session.WINE_DIR, "wine64"), "--version"], capture_output=True,
                          text=True).stdout.strip()


def report(results, args, arch, exe, product_exe, started):
    lines = ["# Benchmarks", "",
             "Written by `scripts/benchmark.sh` (`python3 tests/bench/benchmark.py`) from its last run; the "
             "figures are measured and reported, never asserted by a test.", ""]
    arch_note = {"win64": "64-bit build (`build/windows-x64/`): this host cannot execute 32-bit code, so the "
                          "same sources built for 64-bit Windows are what Wine runs here",
                 "win32": "32-bit build (`build/windows/`), the product itself"}[arch]
    lines += ["- Date: %s" % started.strftime("%Y-%m-%d %H:%M UTC"),
              "- Measured: %s" % arch_note,
              "- Platform: %s, %s, Xvfb 640 x 480 at depths %s, one wineserver per depth kept running" % (
                  wine_version(), platform.platform(), ", ".join(str(r["depth"]) for r in results)),
              "- Runs: %d starts of each program per depth, interleaved; %d pointer entries per depth" % (
                  args.runs, args.hover_runs),
              ""]
    lines += ["## Time to splash", "",
              "From spawning the program to its finished window on the screen (launcher: the finished picture "
              "at %d sample spots over background and buttons; baseline: the same spots black). Milliseconds: "
              "median (interquartile range; min-max). The poll interval is the resolution." % len(results[0]["spots"]),
              ""]
    lines += ["| Depth | LAUNCH.EXE median (IQR; min-max) | BASELINE.EXE median (IQR; min-max) | Ratio of medians "
              "| Under %.2f? | Poll interval median (max) |" % TARGET_RATIO,
              "| ---: | ---: | ---: | ---: | :---: | ---: |"]
    for r in results:
        a, b = r["splash"]["launcher"], r["splash"]["baseline"]
        ratio = a["median"] / b["median"]
        r["ratio"] = ratio
        lines.append("| %d | %s (%s-%s; %s-%s) | %s (%s-%s; %s-%s) | %.3f | %s | %.2f ms (%.2f ms) |" % (
            r["depth"], ms(a["median"]), ms(a["q1"]), ms(a["q3"]), ms(a["min"]), ms(a["max"]),
            ms(b["median"]), ms(b["q1"]), ms(b["q3"]), ms(b["min"]), ms(b["max"]), ratio,
            "yes" if ratio < TARGET_RATIO else "**no**", r["splash_poll"]["median"] * 1000,
            r["splash_poll"]["max"] * 1000))
    lines += ["", "Processor time of the program's own process (all its threads) up to that moment, milliseconds, "
              "median (min-max); it does not count the wineserver or the X server:", "",
              "| Depth | LAUNCH.EXE | BASELINE.EXE |", "| ---: | ---: | ---: |"]
    for r in results:
        a, b = r["splash_cpu"]["launcher"], r["splash_cpu"]["baseline"]
        lines.append("| %d | %s (%s-%s) | %s (%s-%s) |" % (r["depth"], ms(a["median"]), ms(a["min"]), ms(a["max"]),
                                                      ms(b["median"]), ms(b["min"]), ms(b["max"])))
    lines.append("")
    for r in results:
        if not r.get("phases"):
            continue
        lines += ["Where the time goes at depth %d: medians over %d starts of each program traced with "
                  "`WINEDEBUG=+timestamp,+loaddll` (tracing adds a little), milliseconds:" % (r["depth"], r["phase_runs"]),
                  "", "| Phase | LAUNCH.EXE | BASELINE.EXE | Difference |", "| --- | ---: | ---: | ---: |"]
        a, b = r["phases"].get("launcher"), r["phases"].get("baseline")
        if a and b:
            for label, x, y in zip(PHASES, a, b):
                lines.append("| %s | %s | %s | %+.1f |" % (label, ms(x), ms(y), (x - y) * 1000))
            lines.append("| **sum** | %s | %s | %+.1f |" % (ms(sum(a)), ms(sum(b)), (sum(a) - sum(b)) * 1000))
        lines.append("")
    if any("hover" in r for r in results):
        lines += ["## Hover response", "",
                  "From the pointer entering button 0 to its under-pointer picture on the screen. Milliseconds.", "",
                  "| Depth | Entries | Median | IQR | Min-max | Click sounds played | Poll interval median (max) |",
                  "| ---: | ---: | ---: | ---: | ---: | ---: | ---: |"]
        for r in results:
            if "hover" not in r:
                continue
            h = r["hover"]
            lines.append("| %d | %d | %.2f | %.2f-%.2f | %.2f-%.2f | %d | %.3f ms (%.3f ms) |" % (
                r["depth"], h["n"], h["median"] * 1000, h["q1"] * 1000, h["q3"] * 1000, h["min"] * 1000,
                h["max"] * 1000, r["hover_sounds"], r["hover_poll"]["median"] * 1000, r["hover_poll"]["max"] * 1000))
        lines.append("")
    lines += ["## Size", "", "The measured executable (`%s`):" % os.path.relpath(exe, SOURCE_DIR), "",
              size_report(exe), ""]
    if product_exe and os.path.abspath(product_exe) != os.path.abspath(exe) and os.path.exists(product_exe):
        lines += ["The product, the 32-bit `%s`:" % os.path.relpath(product_exe, SOURCE_DIR), "",
                  size_report(product_exe), ""]
    if args.notes and os.path.exists(args.notes):
        with open(args.notes) as f:
            lines += [f.read().strip(), ""]
    return "\n".join(lines) + "\n"


def main():
    global POLL_PAUSE, SETTLE
    arch = wine_session.arch_from_environment()
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=20, help="starts of each program per depth")
    parser.add_argument("--hover-runs", type=int, default=50, help="pointer entries per depth (0: none)")
    parser.add_argument("--depths", default="24,16,8")
    parser.add_argument("--trace-runs", type=int, default=10,
                        help="traced starts of each program at depth 24 for the breakdown (0: none)")
    parser.add_argument("--out", default=os.path.join(SOURCE_DIR, "docs", "benchmarks.md"))
    parser.add_argument("--notes", default=os.path.join(HERE, "benchmark-notes.md"),
                        help="Markdown appended to the report (findings that the numbers alone do not say)")
    parser.add_argument("--poll-pause", type=float, default=POLL_PAUSE, help="seconds between two polls")
    parser.add_argument("--settle", type=float, default=SETTLE, help="seconds of rest after each run")
    parser.add_argument("--raw", action="store_true", help="also list every run's time")
    parser.add_argument("--no-write", action="store_true", help="print the report only")
    args = parser.parse_args()

    POLL_PAUSE, SETTLE = args.poll_pause, args.settle
    ok, reason = wine_session.host_can_run(arch)
    if not ok:
        print("benchmark: cannot run: " + reason, file=sys.stderr)
        return 77
    build_dir = e2e.BUILD_DIR
    exe = os.path.join(build_dir, "LAUNCH.EXE")
    baseline = os.path.join(build_dir, "tests", "bench", "BASELINE.EXE")
    for path in (exe, baseline, e2e.RECORDER_EXE):
        if not os.path.exists(path):
            print("benchmark: %s is missing; build first (cmake --build --preset %s)" % (
                path, "windows-x64" if arch == "win64" else "windows"), file=sys.stderr)
            return 1
    started = datetime.datetime.now(datetime.timezone.utc)
    results = []
    for depth in (int(d) for d in args.depths.split(",")):
        trace_runs = args.trace_runs if depth == 24 else 0
        with DepthBench(depth, exe, baseline, args.runs, args.hover_runs, trace_runs) as bench:
            result = bench.run()
            result["spots"] = bench.spots
            results.append(result)
    text = report(results, args, arch, exe, os.path.join(SOURCE_DIR, "build", "windows", "LAUNCH.EXE"), started)
    print(text)
    if args.raw:
        for r in results:
            for name, values in r["splash_raw"].items():
                log("depth %d %s: %s" % (r["depth"], name, " ".join(ms(v) for v in values)))
    if not args.no_write:
        os.makedirs(os.path.dirname(args.out), exist_ok=True)
        with open(args.out, "w") as f:
            f.write(text)
        log("wrote %s" % args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
