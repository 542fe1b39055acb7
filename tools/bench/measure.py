"""Measures LAUNCH.EXE under Wine on a virtual X screen, each part of the benchmark asked for at each depth
asked for, and writes the figures as JSON; report.py turns them into docs/benchmarks.md, whose text says how
each figure is taken. Figures are measured and reported; nothing is asserted."""

import argparse
import datetime
import json
import os
import platform
import sys

from launcherkit import SOURCE_DIR, KitError
from launcherkit.pe import Executable
from launcherkit.product import DEFAULT_PROFILE, Product
from launcherkit.size_report import markdown
from launcherkit.wine.host import host_can_run
from launcherkit.wine.programs import Programs

from bench import disc_layout
from bench.depth_bench import DepthBench, log
from bench.nsis_peer import build_peer
from bench.startup_reads import ReadsMedium, floors

# All but the disc's start the launcher under Wine at each depth.
PARTS = ("splash", "phases", "hover", "reads", "peer", "disc")


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build-dir", required=True, help="the build tree whose programs are measured")
    parser.add_argument("--arch", required=True, choices=("win32", "win64"), help="the build's Wine architecture")
    parser.add_argument("--profile", default=DEFAULT_PROFILE, help="the product profile the build is for")
    parser.add_argument("--json", required=True, help="where the figures go")
    parser.add_argument("--runs", type=int, default=20, help="starts of each program per depth")
    parser.add_argument("--hover-runs", type=int, default=50, help="pointer entries per depth (0: none)")
    parser.add_argument("--depths", default="24,16,8", type=lambda text: [int(d) for d in text.split(",")])
    parser.add_argument("--trace-runs", type=int, default=10,
                        help="traced starts of each program at depth 24 for the breakdown (0: none)")
    parser.add_argument("--reads-runs", type=int, default=3, help="evicted starts of each layout per depth")
    parser.add_argument("--parts", default=",".join(PARTS), type=lambda text: set(text.split(",")),
                        help="what to measure, of %s" % ", ".join(PARTS))
    args = parser.parse_args()
    # What is measured: the kit's programs of the build (the launcher, its 16-colour test build, the
    # recorder, POKE.EXE) and the benchmark's own (baseline, launcher_as_linked, launcher4_as_linked, peer).
    args.build_dir = os.path.abspath(args.build_dir)
    args.product, args.programs = Product.load(args.profile), Programs.in_build(args.build_dir)
    args.bench = {key: os.path.join(args.build_dir, "tools", "bench", name) for key, name in (
        ("baseline", "BASELINE.EXE"), ("launcher_as_linked", "LAUNCH-AS-LINKED.EXE"),
        ("launcher4_as_linked", "LAUNCH4-AS-LINKED.EXE"))}
    return args


def main():
    args = parse_arguments()
    ok, wine_version = host_can_run(args.arch)
    if not ok:
        log("cannot run: " + wine_version)
        return 77
    missing = ["%s (%s)" % (name, args.build_dir)
               for name in args.programs.missing("launcher", "launcher4", "recorder", "poke")]
    missing += [path for path in args.bench.values() if not os.path.exists(path)]
    if missing:
        log("missing: %s; build first (cmake --build --preset %s --target all benchmark_programs)" % (
            ", ".join(missing), "windows-x64" if args.arch == "win64" else "windows"))
        return 1
    launcher, work = args.programs.launcher, os.path.join(args.build_dir, "benchmark")
    results = {"started": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
               "arch": args.arch, "wine": wine_version, "platform": platform.platform(),
               "runs": args.runs, "hover_runs": args.hover_runs, "reads_runs": args.reads_runs, "depths": [],
               "peer": {}, "reads": {"skipped": "not asked for (--parts)", "floors": floors(args), "file_sizes": {
                   "launcher": os.path.getsize(launcher),
                   "launcher_as_linked": os.path.getsize(args.bench["launcher_as_linked"])}}}
    if "peer" in args.parts:
        path, results["peer"]["note"] = build_peer(os.path.join(work, "peer"), args.arch, launcher, args.product)
        if path:
            args.bench["peer"], results["peer"]["file_size"] = path, os.path.getsize(path)
    if args.parts - {"disc"}:
        medium = ReadsMedium(os.path.join(work, "reads"), args)
        try:
            if "reads" in args.parts:
                results["reads"]["skipped"] = medium.open()
            skipped = results["reads"]["skipped"]
            if skipped:
                log("start-up reads not measured: " + skipped)
            for depth in args.depths:
                with DepthBench(depth, args, None if skipped else medium) as bench:
                    results["depths"].append(bench.run())
        finally:
            medium.close()
    if "disc" in args.parts:
        results["disc"] = disc_layout.measure(args, os.path.join(work, "disc"))

    # Where the bytes of the launcher measured (and of the product's own build, where that is another) go.
    product = os.path.join(SOURCE_DIR, "build", "windows", "LAUNCH.EXE")
    exes = dict.fromkeys([launcher, product] if os.path.exists(product) else [launcher])
    results["sizes"] = {os.path.relpath(exe, SOURCE_DIR): markdown(Executable.open(exe), os.path.basename(exe))
                        for exe in exes}
    os.makedirs(os.path.dirname(os.path.abspath(args.json)), exist_ok=True)
    with open(args.json, "w") as f:
        json.dump(results, f, indent=1)
    log("wrote %s" % args.json)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KitError as error:  # a run that cannot be measured: say why, without the stack
        log("stopped: %s" % error)
        sys.exit(1)
