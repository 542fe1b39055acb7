"""Measures LAUNCH.EXE under Wine on a virtual X screen and writes the figures as JSON; report.py turns
them into docs/benchmarks.md, whose text says how each figure is taken. Figures are measured and
reported; nothing is asserted.

    tools/kit bench measure --build-dir DIR --arch win32|win64 --json FILE
        [--profile FILE] [--runs 20] [--hover-runs 50] [--depths 24,16,8]
        [--parts splash,phases,hover,reads,peer,disc]

The rooms: bench.depth_bench measures one screen depth in one Wine session (launcherkit.wine) kept
running, bench.screen_poll looks at the screen over the session's X connection, bench.trace_phases reads
Wine's trace of a start, bench.reads_plan and bench.startup_reads measure the reads from a slow medium,
bench.nsis_peer builds the NSIS peer, bench.disc_layout lays out a full disc; this module is the command
line. The programs run interleaved (rotating which goes first), from the same CD-ROM drive D:; the
screen's root is made white first, so that no state can be mistaken for the empty screen.
"""

import argparse
import datetime
import json
import os
import platform
import sys
from dataclasses import dataclass, field

from launcherkit import SOURCE_DIR
from launcherkit.pe import Executable
from launcherkit.product import DEFAULT_PROFILE, Product
from launcherkit.size_report import markdown
from launcherkit.wine.host import host_can_run
from launcherkit.wine.programs import Programs

from bench import disc_layout, reads_plan, startup_reads
from bench.depth_bench import DepthBench, log
from bench.nsis_peer import build_peer

PARTS = ("splash", "phases", "hover", "reads", "peer", "disc")
# The parts that start the launcher under Wine at each depth.
DEPTH_PARTS = {"splash", "phases", "hover", "reads", "peer"}


@dataclass
class Subjects:
    """What is measured, and with what: the build tree, its Wine architecture and product, the kit's
    programs of the build (the launcher, its 16-colour test build, the recorder, POKE.EXE) and the
    benchmark's own (baseline, launcher_as_linked, launcher4_as_linked, peer)."""
    build_dir: str
    arch: str
    product: Product
    programs: Programs
    bench: dict = field(default_factory=dict)


def parse_arguments():
    """The command line: how many runs of what, and the poller's pauses."""
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", required=True, help="the build tree whose programs are measured")
    parser.add_argument("--arch", required=True, choices=("win32", "win64"), help="the build's Wine architecture")
    parser.add_argument("--profile", default=DEFAULT_PROFILE, help="the product profile the build is for")
    parser.add_argument("--json", required=True, help="where the figures go")
    parser.add_argument("--runs", type=int, default=20, help="starts of each program per depth")
    parser.add_argument("--hover-runs", type=int, default=50, help="pointer entries per depth (0: none)")
    parser.add_argument("--depths", default="24,16,8")
    parser.add_argument("--trace-runs", type=int, default=10,
                        help="traced starts of each program at depth 24 for the breakdown (0: none)")
    parser.add_argument("--reads-runs", type=int, default=3, help="evicted starts of each layout per depth")
    parser.add_argument("--parts", default=",".join(PARTS), help="what to measure, of %s" % ", ".join(PARTS))
    # The poller sleeps this long between two looks at the screen, so that it does not take a processor away
    # from the programs it times; and the screen rests this long after each program has ended, so that one
    # run's ending does not slow the next one's start.
    parser.add_argument("--poll-pause", type=float, default=0.001, help="seconds between two polls")
    parser.add_argument("--settle", type=float, default=0.3, help="seconds of rest after each run")
    args = parser.parse_args()
    args.depths = [int(d) for d in args.depths.split(",")]
    args.parts = set(args.parts.split(","))
    return args


def subjects_of(args):
    """The build's programs and the benchmark's; None and a message when one is missing."""
    build_dir = os.path.abspath(args.build_dir)
    bench_dir = os.path.join(build_dir, "tools", "bench")
    subjects = Subjects(build_dir, args.arch, Product.load(args.profile), Programs.in_build(build_dir),
                        {"baseline": os.path.join(bench_dir, "BASELINE.EXE"),
                         "launcher_as_linked": os.path.join(bench_dir, "LAUNCH-AS-LINKED.EXE"),
                         "launcher4_as_linked": os.path.join(bench_dir, "LAUNCH4-AS-LINKED.EXE")})
    missing = ["%s (%s)" % (name, build_dir) for name in subjects.programs.missing("launcher", "launcher4",
                                                                                  "recorder", "poke")]
    missing += [path for path in subjects.bench.values() if not os.path.exists(path)]
    if missing:
        return None, "missing: %s; build first (cmake --build --preset %s --target all benchmark_programs)" % (
            ", ".join(missing), "windows-x64" if args.arch == "win64" else "windows")
    return subjects, None


def size_report(exe):
    """Where the bytes of `exe` go, as tools/kit size-report shows it."""
    return markdown(Executable.open(exe), os.path.basename(exe))


def measure_peer(subjects, args):
    peer = {}
    if "peer" in args.parts:
        path, peer["note"] = build_peer(os.path.join(subjects.build_dir, "benchmark", "peer"), subjects.arch,
                                        subjects.programs.launcher, subjects.product)
        if path:
            subjects.bench["peer"] = path
            peer["file_size"] = os.path.getsize(path)
    peer["measured"] = bool(subjects.bench.get("peer"))
    return peer


def measure_depths(subjects, args, results):
    """Every depth, with the slow medium for the start-up reads where it can be had."""
    reads = results["reads"]
    reason = startup_reads.unavailable_reason() if "reads" in args.parts else "not asked for (--parts)"
    medium = None
    try:
        if not reason:
            try:
                medium = startup_reads.ReadsMedium(os.path.join(subjects.build_dir, "benchmark", "reads"),
                                                   reads_plan.medium_files(subjects), log=log).__enter__()
                reads["read_ahead"] = medium.read_ahead()
            except startup_reads.ReadsUnavailable as error:
                reason = str(error)
        reads["skipped"] = reason
        if reason:
            log("start-up reads not measured: %s" % reason)
        for depth in args.depths:
            with DepthBench(depth, subjects, args, medium) as bench:
                results["depths"].append(bench.run(reads_plan.variants(depth, subjects) if medium else []))
    finally:
        if medium:
            medium.close()


def main():
    args = parse_arguments()
    ok, wine_version = host_can_run(args.arch)
    if not ok:
        print("benchmark: cannot run: " + wine_version, file=sys.stderr)
        return 77
    subjects, problem = subjects_of(args)
    if problem:
        print("benchmark: " + problem, file=sys.stderr)
        return 1
    launcher = subjects.programs.launcher
    results = {"started": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
               "arch": args.arch, "wine": wine_version, "platform": platform.platform(),
               "runs": args.runs, "hover_runs": args.hover_runs, "reads_runs": args.reads_runs,
               "parts": sorted(args.parts), "exe": os.path.relpath(launcher, SOURCE_DIR), "depths": []}
    results["peer"] = measure_peer(subjects, args)
    results["reads"] = {"floors": reads_plan.floors(subjects), "file_sizes": {
        "launcher": os.path.getsize(launcher),
        "launcher_as_linked": os.path.getsize(subjects.bench["launcher_as_linked"])}}
    if args.parts & DEPTH_PARTS:
        measure_depths(subjects, args, results)
    if "disc" in args.parts:
        results["disc"] = disc_layout.measure(subjects, os.path.join(subjects.build_dir, "benchmark", "disc"), log)

    results["sizes"] = {os.path.relpath(launcher, SOURCE_DIR): size_report(launcher)}
    product = os.path.join(SOURCE_DIR, "build", "windows", "LAUNCH.EXE")
    if os.path.abspath(product) != os.path.abspath(launcher) and os.path.exists(product):
        results["sizes"][os.path.relpath(product, SOURCE_DIR)] = size_report(product)
    os.makedirs(os.path.dirname(os.path.abspath(args.json)), exist_ok=True)
    with open(args.json, "w") as f:
        json.dump(results, f, indent=1)
    log("wrote %s" % args.json)
    return 0


if __name__ == "__main__":
    sys.exit(main())
