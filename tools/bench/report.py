"""Turns the figures that measure.py wrote (JSON) into the Markdown report, prints it and, unless told
otherwise, keeps it as docs/benchmarks.md.

    tools/kit bench report RESULTS.json [--out docs/benchmarks.md] [--notes FILE] [--no-write] [--raw]
"""

import argparse
import os
import sys

from bench.startup_reads import BYTES_PER_SECOND_1X, SEEK_SECONDS, model_seconds
from bench.trace_phases import PHASES

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", ".."))
TARGET_RATIO = 1.10
PICTURES = {24: "true colour", 8: "256 colours", 4: "16 colours"}


def ms(seconds):
    return "%.1f" % (seconds * 1000)


def spread_text(s):
    return "%s (%s-%s; %s-%s)" % (ms(s["median"]), ms(s["q1"]), ms(s["q3"]), ms(s["min"]), ms(s["max"]))


def number(value):
    return "{:,}".format(value)


def header(results):
    arch_note = {"win64": "64-bit build (`build/windows-x64/`): this host cannot execute 32-bit code, so the "
                          "same sources built for 64-bit Windows are what Wine runs here",
                 "win32": "32-bit build (`build/windows/`), the product itself"}[results["arch"]]
    depths = ", ".join(str(r["depth"]) for r in results["depths"])
    return ["# Benchmarks", "",
            "Written by `scripts/benchmark.sh` (`tools/bench/measure.py` measures and writes JSON, "
            "`tools/bench/report.py` writes this page) from its last run; the figures are measured and reported, "
            "never asserted by a test.", "",
            "- Date: %s" % results["started"],
            "- Measured: %s" % arch_note,
            "- Platform: %s, %s, Xvfb 640 x 480 at depths %s, one wineserver per depth kept running" % (
                results["wine"], results["platform"], depths),
            "- Runs: %d starts of each program per depth, interleaved; %d pointer entries per depth; %d evicted "
            "starts of each layout for the start-up reads" % (results["runs"], results["hover_runs"], results["reads_runs"]),
            ""]


def time_to_splash(results):
    measured = [r for r in results["depths"] if "splash" in r]
    if not measured:
        return []
    lines = ["## Time to splash", "",
             "From spawning the program to its finished window on the screen (launcher: the finished picture "
             "at %d sample spots over background and buttons; baseline: the same spots black). Milliseconds: "
             "median (interquartile range; min-max). The poll interval is the resolution. As linked: the same "
             "launcher with the linker's layout (512-byte file alignment, data by type and name), started in the "
             "same rotation; its ratio is to the same baseline." % measured[0]["spots"], "",
             "| Depth | LAUNCH.EXE median (IQR; min-max) | BASELINE.EXE median (IQR; min-max) | Ratio of medians "
             "| Under %.2f? | As linked: median, ratio | Poll interval median (max) |" % TARGET_RATIO,
             "| ---: | ---: | ---: | ---: | :---: | ---: | ---: |"]
    for r in measured:
        a, b = r["splash"]["launcher"], r["splash"]["baseline"]
        linked = r["splash"].get("as_linked")
        ratio = a["median"] / b["median"]
        lines.append("| %d | %s | %s | %.3f | %s | %s | %.2f ms (%.2f ms) |" % (
            r["depth"], spread_text(a), spread_text(b), ratio, "yes" if ratio < TARGET_RATIO else "**no**",
            "%s, %.3f" % (ms(linked["median"]), linked["median"] / b["median"]) if linked else "-",
            r["splash_poll"]["median"] * 1000, r["splash_poll"]["max"] * 1000))
    lines += ["", "Processor time of the program's own process (all its threads) up to that moment, milliseconds, "
              "median (min-max); it does not count the wineserver or the X server:", "",
              "| Depth | LAUNCH.EXE | BASELINE.EXE |", "| ---: | ---: | ---: |"]
    for r in measured:
        a, b = r["splash_cpu"]["launcher"], r["splash_cpu"]["baseline"]
        lines.append("| %d | %s (%s-%s) | %s (%s-%s) |" % (r["depth"], ms(a["median"]), ms(a["min"]), ms(a["max"]),
                                                      ms(b["median"]), ms(b["min"]), ms(b["max"])))
    lines.append("")
    return lines


def phases(results):
    lines = []
    for r in results["depths"]:
        a, b = (r.get("phases") or {}).get("launcher"), (r.get("phases") or {}).get("baseline")
        if not (a and b):
            continue
        lines += ["Where the time goes at depth %d: medians over %d starts of each program traced with "
                  "`WINEDEBUG=+timestamp,+loaddll` (tracing adds a little), milliseconds:" % (r["depth"], r["phase_runs"]),
                  "", "| Phase | LAUNCH.EXE | BASELINE.EXE | Difference |", "| --- | ---: | ---: | ---: |"]
        for label, x, y in zip(PHASES, a, b):
            lines.append("| %s | %s | %s | %+.1f |" % (label, ms(x), ms(y), (x - y) * 1000))
        lines += ["| **sum** | %s | %s | %+.1f |" % (ms(sum(a)), ms(sum(b)), (sum(a) - sum(b)) * 1000), ""]
    return lines


def hover(results):
    measured = [r for r in results["depths"] if "hover" in r]
    if not measured:
        return []
    lines = ["## Hover response", "",
             "From the pointer entering button 0 to its under-pointer picture on the screen. Milliseconds.", "",
             "| Depth | Entries | Median | IQR | Min-max | Click sounds played | Poll interval median (max) |",
             "| ---: | ---: | ---: | ---: | ---: | ---: | ---: |"]
    for r in measured:
        h = r["hover"]
        lines.append("| %d | %d | %.2f | %.2f-%.2f | %.2f-%.2f | %d | %.3f ms (%.3f ms) |" % (
            r["depth"], h["n"], h["median"] * 1000, h["q1"] * 1000, h["q3"] * 1000, h["min"] * 1000,
            h["max"] * 1000, r["hover_sounds"], r["hover_poll"]["median"] * 1000, r["hover_poll"]["max"] * 1000))
    lines.append("")
    return lines


def typical(measured):
    """The median start of a layout's evicted starts, and whether all read the same."""
    ordered = sorted(measured, key=lambda m: (m["bytes"], m["runs"]))
    middle = ordered[len(ordered) // 2]
    same = len({(m["bytes"], m["runs"]) for m in measured}) == 1
    return middle, same


def reads_cells(measured):
    m, same = typical(measured)
    note = "" if same else " (of %s)" % "/".join(number(x["bytes"]) for x in measured)
    return ["%s%s" % (number(m["bytes"]), note), str(m["runs"]),
            "%.2f s" % model_seconds(m["bytes"], m["runs"], 4), "%.2f s" % model_seconds(m["bytes"], m["runs"], 8)]


def startup_reads(results):
    reads = results["reads"]
    lines = ["## Start-up reads", "",
             "What a start reads from the medium before its splash is finished. The program lies on a read-only "
             "ext4 image on a loop device with read-ahead 0, mapped as CD-ROM drive E:; its pages are evicted from "
             "the page cache before each start; when the splash is finished on the screen, the file's pages in the "
             "page cache (mincore) are counted. Bytes read: those pages (the last only as far as the file goes); a "
             "run: a stretch of consecutive pages, one seek on a disc. Modelled time to splash from a CD-ROM drive: "
             "%d ms a run plus the bytes at %s bytes/s per speed step. The floor: the pages of the headers, the code "
             "a start runs (`.text`) and the resource directory with the seven pictures of the set shown, as one run." % (
                 SEEK_SECONDS * 1000, number(BYTES_PER_SECOND_1X)), "",
             "Before: the launcher as the linker lays it out (512-byte file alignment, all code in `.text`, resource "
             "data by type and name; `LAUNCH-AS-LINKED.EXE` of `tools/bench`, %s bytes). After: `LAUNCH.EXE` as "
             "built (4 KB file alignment, the code that only a click runs in `.actions` after the resource data, "
             "resource data in start-up order by `tools/kit order-resources` and `resources/data_order.txt`, %s "
             "bytes). This models Windows and Wine reading a hard disk or a disc "
             "image; Wine reading a real ISO 9660 disc reads whole sections whatever the layout." % (
                 number(reads["file_sizes"]["launcher_as_linked"]), number(reads["file_sizes"]["launcher"])), ""]
    if reads.get("skipped"):
        return lines + ["Not measured in this run: %s." % reads["skipped"], ""]
    lines += ["| Screen | Program (pictures) | Floor (4x) | Before: bytes read | runs | 4x | 8x "
              "| After: bytes read | runs | 4x | 8x | After less floor |",
              "| ---: | --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"]
    for r in results["depths"]:
        for row in r.get("reads", []):
            if "ordered" not in row["layouts"]:
                continue
            floor = reads["floors"][str(row["tier"])]
            after, _ = typical(row["layouts"]["ordered"])
            lines.append("| %d | %s (%s) | %s (%.2f s) | %s | %s | %s |" % (
                r["depth"], row["label"], PICTURES[row["tier"]], number(floor), model_seconds(floor, 1, 4),
                " | ".join(reads_cells(row["layouts"]["as linked"])), " | ".join(reads_cells(row["layouts"]["ordered"])),
                "{:+,}".format(after["bytes"] - floor)))
    lines += ["", "The device's read requests per start (before / after): " + "; ".join(
        "%s at %d: %s / %s" % (row["label"].split(",")[0], r["depth"],
                               typical(row["layouts"]["as linked"])[0]["device_reads"],
                               typical(row["layouts"]["ordered"])[0]["device_reads"])
        for r in results["depths"] for row in r.get("reads", []) if "ordered" in row["layouts"]) + ".", ""]
    return lines


def peer(results):
    info = results["peer"]
    lines = ["## A peer made with NSIS", "",
             "The same splash made with NSIS (`tools/bench/nsis_peer.nsi`, Debian's `nsis`), as a publisher might "
             "make it instead: a borderless window with the true-colour background and the three at-rest button "
             "pictures as picture buttons, pixel for pixel the launcher's window; a click on the first starts "
             "the setup program. It has no hover pictures and no sounds. Measured at depth 24 in the same session, "
             "interleaved with the launcher.", ""]
    if not info.get("measured"):
        return lines + ["Not measured in this run: %s." % (info.get("note") or "not asked for (--parts)"), ""]
    depth = next((r for r in results["depths"] if r["depth"] == 24), None)
    splash = (depth or {}).get("splash", {})
    written = (depth or {}).get("temp_written", {})
    reads_row = next((row for row in (depth or {}).get("reads", []) if "peer" in row["layouts"]), None)
    launcher_row = next((row for row in (depth or {}).get("reads", []) if "ordered" in row["layouts"]), None)

    def timing(name):
        return spread_text(splash[name]) if name in splash else "not measured"

    def read(row, layout):
        if not row:
            return "not measured (%s)" % (results["reads"].get("skipped") or "no loop device")
        m, _ = typical(row["layouts"][layout])
        return "%s in %d run%s (%.2f s at 4x)" % (number(m["bytes"]), m["runs"], "" if m["runs"] == 1 else "s",
                                                  model_seconds(m["bytes"], m["runs"], 4))

    def temp(name):
        return number(int(written[name]["median"])) + (" (%s-%s)" % (number(int(written[name]["min"])),
                                                                     number(int(written[name]["max"])))
                                                         if written[name]["min"] != written[name]["max"] else "") \
            if name in written else "not measured"

    ratio = "%.2f" % (splash["peer"]["median"] / splash["launcher"]["median"]) if "peer" in splash else "-"
    lines += ["| | LAUNCH.EXE | NSIS peer (%s) |" % info["note"], "| --- | ---: | ---: |",
              "| File size, bytes | %s | %s |" % (number(results["reads"]["file_sizes"]["launcher"]),
                                                 number(info["file_size"])),
              "| Time to window, ms: median (IQR; min-max) | %s | %s |" % (timing("launcher"), timing("peer")),
              "| Ratio of medians to the launcher | 1.00 | %s |" % ratio,
              "| Bytes read at start, evicted | %s | %s |" % (read(launcher_row, "ordered"), read(reads_row, "peer")),
              "| Bytes written to the temporary folder at each start | %s | %s |" % (temp("launcher"), temp("peer")),
              ""]
    return lines


def disc(results):
    layout = results.get("disc")
    if not layout:
        return []
    def mb(n):
        return "%.1f MB" % (n / 1048576) if n >= 1048576 else "%s KB" % number(n // 1024)

    lines = ["## The start-up files on a full disc", "",
             "A medium of the start-up files and %s of generated content (%d files in one folder that comes before "
             "the launcher by name), written by `tools/kit medium build` in xorriso's own order and with the "
             "start-up files first. Blocks of 2,048 bytes; a cold start reads the Joliet root directory, then "
             "AUTORUN.INF, then the launcher, and a CD-ROM drive needs 100-200 ms for a seek across a full disc."
             % (mb(layout["content_bytes"]), layout["content_files"]), "",
             "| | directory | AUTORUN.INF | launcher (first block) | seek directory to AUTORUN.INF | seek AUTORUN.INF "
             "to launcher | seek directory to launcher |", "| --- | ---: | ---: | ---: | ---: | ---: | ---: |"]
    for name, label in (("before", "xorriso's order"), ("after", "start-up files first")):
        row = layout[name]
        lines.append("| %s | %s | %s | %s | %s | %s | %s |" % (
            label, number(row["directory_block"]), number(row["autorun_block"]), number(row["launcher_block"]),
            mb(row["directory_to_autorun_bytes"]), mb(row["autorun_to_launcher_bytes"]),
            mb(row["directory_to_launcher_bytes"])))
    return lines + [""]


def sizes(results):
    lines = ["## Size", ""]
    for path, text in results["sizes"].items():
        lines += ["`%s`:" % path, "", text, ""]
    return lines


def render(results, notes):
    lines = header(results) + time_to_splash(results) + phases(results) + hover(results) + \
        startup_reads(results) + peer(results) + disc(results) + sizes(results)
    if notes:
        lines += [notes.strip(), ""]
    return "\n".join(lines) + "\n"


def main():
    import json
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("results", help="the JSON that measure.py wrote")
    parser.add_argument("--out", default=os.path.join(SOURCE_DIR, "docs", "benchmarks.md"))
    parser.add_argument("--notes", default=os.path.join(HERE, "benchmark-notes.md"),
                        help="Markdown appended to the report (findings that the numbers alone do not say)")
    parser.add_argument("--raw", action="store_true", help="also list every run's time")
    parser.add_argument("--no-write", action="store_true", help="print the report only")
    args = parser.parse_args()
    with open(args.results) as f:
        results = json.load(f)
    notes = None
    if args.notes and os.path.exists(args.notes):
        with open(args.notes) as f:
            notes = f.read()
    text = render(results, notes)
    print(text)
    if args.raw:
        for r in results["depths"]:
            for name, values in r.get("splash_raw", {}).items():
                print("depth %d %s: %s" % (r["depth"], name, " ".join(ms(v) for v in values)), file=sys.stderr)
    if not args.no_write:
        os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
        with open(args.out, "w") as f:
            f.write(text)
        print("report: wrote %s" % args.out, file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
