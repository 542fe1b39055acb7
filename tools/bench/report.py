"""Turns the figures that measure.py wrote (JSON) into the Markdown report, prints it and, unless told
otherwise, keeps it as docs/benchmarks.md. The report's text is report-text.md; this module fills in its
figures and writes its tables.

    tools/kit bench report RESULTS.json [--out docs/benchmarks.md] [--notes FILE] [--no-write] [--raw]
"""

import argparse
import json
import os
import re
import sys

from bench.startup_reads import BYTES_PER_SECOND_1X, SEEK_SECONDS, model_seconds
from bench.trace_phases import PHASES

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", ".."))
TARGET_RATIO = 1.10
PICTURES = {24: "true colour", 8: "256 colours", 4: "16 colours"}


def report_text():
    """{part: its text} of report-text.md, each part from its marker line (<!-- name -->) to the next."""
    with open(os.path.join(HERE, "report-text.md")) as f:
        return dict(re.findall(r"^<!-- (\w+) -->\n(.*?)\n(?=<!--|\Z)", f.read(), re.M | re.S))


TEXT = report_text()


def text(part, **values):
    """A part of the report's text with its figures, as lines, and an empty line after it."""
    return TEXT[part].format(**values).split("\n") + [""]


def table(head, rule, rows):
    """A Markdown table: the head's cells, each column's alignment (rule, split at spaces), the rows' cells."""
    return ["|%s|" % "|".join(" %s " % cell if cell else " " for cell in cells) for cells in [head, rule.split()] + rows]


def ms(seconds):
    return "%.1f" % (seconds * 1000)


def spread_text(s):
    return "%s (%s-%s; %s-%s)" % (ms(s["median"]), ms(s["q1"]), ms(s["q3"]), ms(s["min"]), ms(s["max"]))


def number(value):
    return "{:,}".format(value)


def header(results):
    return text("header", started=results["started"], measured=TEXT[results["arch"]], wine=results["wine"],
                platform=results["platform"], depths=", ".join(str(r["depth"]) for r in results["depths"]),
                runs=results["runs"], hover_runs=results["hover_runs"], reads_runs=results["reads_runs"])


def time_to_splash(results):
    measured = [r for r in results["depths"] if "splash" in r]
    if not measured:
        return []
    rows = []
    for r in measured:
        a, b = r["splash"]["launcher"], r["splash"]["baseline"]
        linked = r["splash"].get("as_linked")
        ratio = a["median"] / b["median"]
        rows.append(["%d" % r["depth"], spread_text(a), spread_text(b), "%.3f" % ratio,
                     "yes" if ratio < TARGET_RATIO else "**no**",
                     "%s, %.3f" % (ms(linked["median"]), linked["median"] / b["median"]) if linked else "-",
                     "%.2f ms (%.2f ms)" % (r["splash_poll"]["median"] * 1000, r["splash_poll"]["max"] * 1000)])
    lines = text("splash", spots=measured[0]["spots"]) + table(
        ["Depth", "LAUNCH.EXE median (IQR; min-max)", "BASELINE.EXE median (IQR; min-max)", "Ratio of medians",
         "Under %.2f?" % TARGET_RATIO, "As linked: median, ratio", "Poll interval median (max)"],
        "---: ---: ---: ---: :---: ---: ---:", rows) + [""] + text("cpu")
    cpu = [[str(r["depth"])] + ["%s (%s-%s)" % (ms(s["median"]), ms(s["min"]), ms(s["max"]))
                                for s in (r["splash_cpu"]["launcher"], r["splash_cpu"]["baseline"])]
           for r in measured]
    return lines + table(["Depth", "LAUNCH.EXE", "BASELINE.EXE"], "---: ---: ---:", cpu) + [""]


def phases(results):
    lines = []
    for r in results["depths"]:
        a, b = (r.get("phases") or {}).get("launcher"), (r.get("phases") or {}).get("baseline")
        if not (a and b):
            continue
        rows = [[label, ms(x), ms(y), "%+.1f" % ((x - y) * 1000)] for label, x, y in zip(PHASES, a, b)]
        rows.append(["**sum**", ms(sum(a)), ms(sum(b)), "%+.1f" % ((sum(a) - sum(b)) * 1000)])
        lines += text("phases", depth=r["depth"], phase_runs=r["phase_runs"]) + table(
            ["Phase", "LAUNCH.EXE", "BASELINE.EXE", "Difference"], "--- ---: ---: ---:", rows) + [""]
    return lines


def hover(results):
    measured = [r for r in results["depths"] if "hover" in r]
    if not measured:
        return []
    rows = [["%d" % r["depth"], "%d" % r["hover"]["n"], "%.2f" % (r["hover"]["median"] * 1000),
             "%.2f-%.2f" % (r["hover"]["q1"] * 1000, r["hover"]["q3"] * 1000),
             "%.2f-%.2f" % (r["hover"]["min"] * 1000, r["hover"]["max"] * 1000), "%d" % r["hover_sounds"],
             "%.3f ms (%.3f ms)" % (r["hover_poll"]["median"] * 1000, r["hover_poll"]["max"] * 1000)]
            for r in measured]
    return text("hover") + table(["Depth", "Entries", "Median", "IQR", "Min-max", "Click sounds played",
                                  "Poll interval median (max)"], "---: ---: ---: ---: ---: ---: ---:", rows) + [""]


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
    lines = text("reads", seek_ms=int(SEEK_SECONDS * 1000), bytes_per_second=number(BYTES_PER_SECOND_1X),
                 as_linked_bytes=number(reads["file_sizes"]["launcher_as_linked"]),
                 launcher_bytes=number(reads["file_sizes"]["launcher"]))
    if reads.get("skipped"):
        return lines + ["Not measured in this run: %s." % reads["skipped"], ""]
    measured = [(r["depth"], row) for r in results["depths"] for row in r.get("reads", [])
                if "ordered" in row["layouts"]]
    rows = []
    for depth, row in measured:
        floor = reads["floors"][str(row["tier"])]
        after, _ = typical(row["layouts"]["ordered"])
        rows.append(["%d" % depth, "%s (%s)" % (row["label"], PICTURES[row["tier"]]),
                     "%s (%.2f s)" % (number(floor), model_seconds(floor, 1, 4))]
                    + reads_cells(row["layouts"]["as linked"]) + reads_cells(row["layouts"]["ordered"])
                    + ["{:+,}".format(after["bytes"] - floor)])
    lines += table(["Screen", "Program (pictures)", "Floor (4x)", "Before: bytes read", "runs", "4x", "8x",
                    "After: bytes read", "runs", "4x", "8x", "After less floor"],
                   "---: --- ---: ---: ---: ---: ---: ---: ---: ---: ---: ---:", rows)
    return lines + ["", "The device's read requests per start (before / after): " + "; ".join(
        "%s at %d: %s / %s" % (row["label"].split(",")[0], depth, typical(row["layouts"]["as linked"])[0]["device_reads"],
                               typical(row["layouts"]["ordered"])[0]["device_reads"])
        for depth, row in measured) + ".", ""]


def peer(results):
    info = results["peer"]
    lines = text("peer")
    if not info.get("measured"):
        return lines + ["Not measured in this run: %s." % (info.get("note") or "not asked for (--parts)"), ""]
    depth = next((r for r in results["depths"] if r["depth"] == 24), {})
    splash, written = depth.get("splash", {}), depth.get("temp_written", {})
    reads_row = next((row for row in depth.get("reads", []) if "peer" in row["layouts"]), None)
    launcher_row = next((row for row in depth.get("reads", []) if "ordered" in row["layouts"]), None)

    def timing(name):
        return spread_text(splash[name]) if name in splash else "not measured"

    def read(row, layout):
        if not row:
            return "not measured (%s)" % (results["reads"].get("skipped") or "no loop device")
        m, _ = typical(row["layouts"][layout])
        return "%s in %d run%s (%.2f s at 4x)" % (number(m["bytes"]), m["runs"], "" if m["runs"] == 1 else "s",
                                                  model_seconds(m["bytes"], m["runs"], 4))

    def temp(name):
        if name not in written:
            return "not measured"
        low, middle, high = (number(int(written[name][key])) for key in ("min", "median", "max"))
        return middle if low == high else "%s (%s-%s)" % (middle, low, high)

    ratio = "%.2f" % (splash["peer"]["median"] / splash["launcher"]["median"]) if "peer" in splash else "-"
    return lines + table(["", "LAUNCH.EXE", "NSIS peer (%s)" % info["note"]], "--- ---: ---:", [
        ["File size, bytes", number(results["reads"]["file_sizes"]["launcher"]), number(info["file_size"])],
        ["Time to window, ms: median (IQR; min-max)", timing("launcher"), timing("peer")],
        ["Ratio of medians to the launcher", "1.00", ratio],
        ["Bytes read at start, evicted", read(launcher_row, "ordered"), read(reads_row, "peer")],
        ["Bytes written to the temporary folder at each start", temp("launcher"), temp("peer")]]) + [""]


def disc(results):
    layout = results.get("disc")
    if not layout:
        return []

    def mb(n):
        return "%.1f MB" % (n / 1048576) if n >= 1048576 else "%s KB" % number(n // 1024)

    rows = [[label, number(row["directory_block"]), number(row["autorun_block"]), number(row["launcher_block"]),
             mb(row["directory_to_autorun_bytes"]), mb(row["autorun_to_launcher_bytes"]),
             mb(row["directory_to_launcher_bytes"])]
            for row, label in ((layout["before"], "xorriso's order"), (layout["after"], "start-up files first"))]
    return text("disc", content=mb(layout["content_bytes"]), files=layout["content_files"]) + table(
        ["", "directory", "AUTORUN.INF", "launcher (first block)", "seek directory to AUTORUN.INF",
         "seek AUTORUN.INF to launcher", "seek directory to launcher"], "--- ---: ---: ---: ---: ---: ---:", rows) + [""]


def sizes(results):
    lines = ["## Size", ""]
    for path, size_text in results["sizes"].items():
        lines += ["`%s`:" % path, "", size_text, ""]
    return lines


def render(results, notes):
    lines = header(results) + time_to_splash(results) + phases(results) + hover(results) + \
        startup_reads(results) + peer(results) + disc(results) + sizes(results)
    if notes:
        lines += [notes.strip(), ""]
    return "\n".join(lines) + "\n"


def main():
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
    report = render(results, notes)
    print(report)
    if args.raw:
        for r in results["depths"]:
            for name, values in r.get("splash_raw", {}).items():
                print("depth %d %s: %s" % (r["depth"], name, " ".join(ms(v) for v in values)), file=sys.stderr)
    if not args.no_write:
        os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
        with open(args.out, "w") as f:
            f.write(report)
        print("report: wrote %s" % args.out, file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
