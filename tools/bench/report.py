"""Turns the figures that measure.py wrote (JSON) into the Markdown report, prints it and, unless told
otherwise, keeps it as docs/benchmarks.md. The report's text is report-text.md, its closing notes
benchmark-notes.md; this module fills in the figures and writes the tables."""

import argparse
import json
import os
import re
import sys

from launcherkit import SOURCE_DIR
from launcherkit.iso_image import SECTOR

HERE, OUT = os.path.dirname(os.path.abspath(__file__)), os.path.join(SOURCE_DIR, "docs", "benchmarks.md")
TARGET_RATIO = 1.10
PICTURES = {24: "true colour", 8: "256 colours", 4: "16 colours"}
SEEK_SECONDS = 0.1             # one seek of a CD-ROM drive
BYTES_PER_SECOND_1X = 153600   # 150 KB/s per speed step
# The phases of a traced start (depth_bench.trace_phases).
PHASES = ("process start and the first paint reaching the screen (spawn to the image mapped, activation to "
          "the pixels on the screen)",
          "the program's imports and theirs loaded (the image mapped to the last DLL before imm32)",
          "DLL initialisation and the display driver (to winex11.drv loaded)",
          "window created (WM_CREATE's work: the launcher loads its pictures), shown and activated")

with open(os.path.join(HERE, "report-text.md")) as text_file:
    # {part: its text}, each part from its marker line (<!-- name -->) to the next.
    TEXT = dict(re.findall(r"^<!-- (\w+) -->\n(.*?)\n(?=<!--|\Z)", text_file.read(), re.M | re.S))


def text(part, **values):
    """A part of the report's text with its figures, as lines, and an empty line after it."""
    return TEXT[part].format(**values).split("\n") + [""]


def table(head, rule, rows):
    """A Markdown table and an empty line: the head's cells (joined by " | "), each column's alignment (rule,
    split at spaces), the rows' cells."""
    return ["|%s|" % "|".join(" %s " % cell if cell else " " for cell in cells)
            for cells in [head.split(" | "), rule.split()] + rows] + [""]


def ms(seconds, digits=1):
    return "%.*f" % (digits, seconds * 1000)


def span(s, low, high, digits=1):
    return "%s-%s" % (ms(s[low], digits), ms(s[high], digits))


def spread_text(s, quartiles=True):
    """Milliseconds: the median (interquartile range; min-max), or the median (min-max)."""
    return "%s (%s%s)" % (ms(s["median"]), span(s, "q1", "q3") + "; " if quartiles else "", span(s, "min", "max"))


def poll_text(s, digits):
    return "%s ms (%s ms)" % (ms(s["median"], digits), ms(s["max"], digits))


def number(value):
    return "{:,}".format(value)


def model_seconds(byte_count, runs, speed):
    """Time a CD-ROM drive of `speed` (4 for 4x) takes to read `runs` runs of `byte_count` bytes in all."""
    return runs * SEEK_SECONDS + byte_count / (BYTES_PER_SECOND_1X * speed)


def time_to_splash(depths):
    measured = [r for r in depths if "splash" in r]
    rows = []
    for r in measured:
        launcher, baseline, linked = (r["splash"][name]["median"] for name in ("launcher", "baseline", "as_linked"))
        rows.append([str(r["depth"]), spread_text(r["splash"]["launcher"]), spread_text(r["splash"]["baseline"]),
                     "%.3f" % (launcher / baseline), "yes" if launcher / baseline < TARGET_RATIO else "**no**",
                     "%s, %.3f" % (ms(linked), linked / baseline), poll_text(r["splash_poll"], 2)])
    cpu = [[str(r["depth"])] + [spread_text(r["splash_cpu"][name], False) for name in ("launcher", "baseline")]
           for r in measured]
    return text("splash", spots=measured[0]["spots"]) + table(
        "Depth | LAUNCH.EXE median (IQR; min-max) | BASELINE.EXE median (IQR; min-max) | Ratio of medians | "
        "Under %.2f? | As linked: median, ratio | Poll interval median (max)" % TARGET_RATIO,
        "---: ---: ---: ---: :---: ---: ---:", rows) + text("cpu") + table(
        "Depth | LAUNCH.EXE | BASELINE.EXE", "---: ---: ---:", cpu) if measured else []


def phases(depths):
    lines = []
    for r in depths:
        a, b = r.get("phases", {}).get("launcher"), r.get("phases", {}).get("baseline")
        if a and b:
            rows = [[label, ms(x), ms(y), "%+.1f" % ((x - y) * 1000)]
                    for label, x, y in zip(PHASES + ("**sum**",), a + [sum(a)], b + [sum(b)])]
            lines += text("phases", depth=r["depth"], phase_runs=r["phase_runs"]) + table(
                "Phase | LAUNCH.EXE | BASELINE.EXE | Difference", "--- ---: ---: ---:", rows)
    return lines


def hover(depths):
    rows = [[str(r["depth"]), str(r["hover"]["n"]), ms(r["hover"]["median"], 2), span(r["hover"], "q1", "q3", 2),
             span(r["hover"], "min", "max", 2), str(r["hover_sounds"]), poll_text(r["hover_poll"], 3)]
            for r in depths if "hover" in r]
    return text("hover") + table("Depth | Entries | Median | IQR | Min-max | Click sounds played | Poll interval "
                                 "median (max)", "---: ---: ---: ---: ---: ---: ---:", rows) if rows else []


def typical(measured):
    """The median start of a layout's evicted starts."""
    return sorted(measured, key=lambda m: (m["bytes"], m["runs"]))[len(measured) // 2]


def reads_cells(measured):
    m = typical(measured)
    note = "" if len({(x["bytes"], x["runs"]) for x in measured}) == 1 else \
        " (of %s)" % "/".join(number(x["bytes"]) for x in measured)
    return ["%s%s" % (number(m["bytes"]), note), str(m["runs"]),
            "%.2f s" % model_seconds(m["bytes"], m["runs"], 4), "%.2f s" % model_seconds(m["bytes"], m["runs"], 8)]


def startup_reads(results):
    reads = results["reads"]
    lines = text("reads", seek_ms=int(SEEK_SECONDS * 1000), bytes_per_second=number(BYTES_PER_SECOND_1X),
                 as_linked_bytes=number(reads["file_sizes"]["launcher_as_linked"]),
                 launcher_bytes=number(reads["file_sizes"]["launcher"]))
    if reads.get("skipped"):
        return lines + ["Not measured in this run: %s." % reads["skipped"], ""]
    measured = [(r["depth"], row["label"], row["tier"], row["layouts"]["as linked"], row["layouts"]["ordered"])
                for r in results["depths"] for row in r.get("reads", []) if "ordered" in row["layouts"]]
    rows = [["%d" % depth, "%s (%s)" % (label, PICTURES[tier]),
             "%s (%.2f s)" % (number(reads["floors"][str(tier)]), model_seconds(reads["floors"][str(tier)], 1, 4))]
            + reads_cells(before) + reads_cells(after)
            + ["{:+,}".format(typical(after)["bytes"] - reads["floors"][str(tier)])]
            for depth, label, tier, before, after in measured]
    return lines + table("Screen | Program (pictures) | Floor (4x) | Before: bytes read | runs | 4x | 8x | "
                         "After: bytes read | runs | 4x | 8x | After less floor",
                         "---: --- ---: ---: ---: ---: ---: ---: ---: ---: ---: ---:", rows) + [
        "The device's read requests per start (before / after): " + "; ".join(
            "%s at %d: %s / %s" % (label.split(",")[0], depth, typical(before)["device_reads"],
                                   typical(after)["device_reads"])
            for depth, label, _, before, after in measured) + ".", ""]


def peer(results):
    info = results["peer"]
    if "file_size" not in info:
        return text("peer") + ["Not measured in this run: %s." % (info.get("note") or "not asked for (--parts)"), ""]
    depth = next((r for r in results["depths"] if r["depth"] == 24), {})
    splash, written = depth.get("splash", {}), depth.get("temp_written", {})

    def read(layout):
        row = next((row for row in depth.get("reads", []) if layout in row["layouts"]), None)
        if not row:
            return "not measured (%s)" % (results["reads"].get("skipped") or "no loop device")
        m = typical(row["layouts"][layout])
        return "%s in %d run%s (%.2f s at 4x)" % (number(m["bytes"]), m["runs"], "" if m["runs"] == 1 else "s",
                                                  model_seconds(m["bytes"], m["runs"], 4))

    def temp(name):
        if name not in written:
            return "not measured"
        low, middle, high = (number(int(written[name][key])) for key in ("min", "median", "max"))
        return middle if low == high else "%s (%s-%s)" % (middle, low, high)

    ratio = "%.2f" % (splash["peer"]["median"] / splash["launcher"]["median"]) if "peer" in splash else "-"
    return text("peer") + table(" | LAUNCH.EXE | NSIS peer (%s)" % info["note"], "--- ---: ---:", [
        ["File size, bytes", number(results["reads"]["file_sizes"]["launcher"]), number(info["file_size"])],
        ["Time to window, ms: median (IQR; min-max)"] + [spread_text(splash[name]) if name in splash
                                                         else "not measured" for name in ("launcher", "peer")],
        ["Ratio of medians to the launcher", "1.00", ratio],
        ["Bytes read at start, evicted", read("ordered"), read("peer")],
        ["Bytes written to the temporary folder at each start", temp("launcher"), temp("peer")]])


def disc(layout):
    def mb(blocks):
        n = blocks * SECTOR
        return "%.1f MB" % (n / 1048576) if n >= 1048576 else "%s KB" % number(n // 1024)

    rows = [[label, number(b["directory"]), number(b["autorun"]), number(b["launcher"]),
             mb(b["autorun"] - b["directory"]), mb(b["launcher"] - b["autorun"]), mb(b["launcher"] - b["directory"])]
            for b, label in ((layout["before"], "xorriso's order"), (layout["after"], "start-up files first"))]
    return text("disc", content="%.1f MB" % (layout["content_bytes"] / 1048576), files=layout["content_files"]) \
        + table(" | directory | AUTORUN.INF | launcher (first block) | seek directory to AUTORUN.INF | "
                "seek AUTORUN.INF to launcher | seek directory to launcher", "--- ---: ---: ---: ---: ---: ---:", rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("results", help="the JSON that measure.py wrote")
    parser.add_argument("--no-write", action="store_true", help="print the report only")
    args = parser.parse_args()
    with open(args.results) as f:
        results = json.load(f)
    depths = results["depths"]
    lines = text("header", **dict(results, measured=TEXT[results["arch"]],
                                  depths=", ".join(str(r["depth"]) for r in depths)))
    lines += time_to_splash(depths) + phases(depths) + hover(depths) + startup_reads(results) + peer(results) + \
        (disc(results["disc"]) if "disc" in results else []) + ["## Size", ""]
    lines += [line for path, size_text in results["sizes"].items() for line in ("`%s`:" % path, "", size_text, "")]
    with open(os.path.join(HERE, "benchmark-notes.md")) as f:
        report = "\n".join(lines + [f.read().strip(), ""]) + "\n"
    print(report)
    if not args.no_write:
        with open(OUT, "w") as f:
            f.write(report)
        print("report: wrote %s" % OUT, file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
