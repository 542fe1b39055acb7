#!/usr/bin/env bash
# Benchmarks of the launcher under Wine: time to splash against an empty popup of the same size at
# depths 24, 16 and 8, hover response, start-up reads from a slow medium (before and after the 4 KB
# layout), a peer made with NSIS, where the start-up files lie on a disc full of content (before and after
# they come first), and the executable's bytes. `tools/kit bench measure` (tools/bench) measures and
# writes build/<preset>/benchmark/results.json; `tools/kit bench report` prints the Markdown report and
# keeps it as docs/benchmarks.md.
#
#   scripts/benchmark.sh [--runs N] [--hover-runs N] [--depths 24,16,8] [--reads-runs N] [--parts ...] [--no-write]
#
# The start-up reads need root and a loop device; without them the report says so and leaves that
# table out. Measures build/windows-x64 where this host cannot execute 32-bit code, else build/windows;
# builds it first.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/lib/wine-preset.sh"
preset=$LAUNCHER_PRESET
build_dir=$repo/build/$preset
"$repo/scripts/install-deps.sh" --bench >/dev/null
# Built from the repository's presets; the kit measures from the caller's folder, which any path among the
# arguments (a --profile FILE) starts from.
(cd "$repo" && cmake --preset "$preset" && cmake --build --preset "$preset" &&
  cmake --build --preset "$preset" --target benchmark_programs) >/dev/null

measure_args=() report_args=()
for arg in "$@"; do
  case "$arg" in
    --no-write) report_args+=("$arg") ;;
    *) measure_args+=("$arg") ;;
  esac
done
results=$build_dir/benchmark/results.json
"$repo/tools/kit" bench measure --build-dir "$build_dir" --arch "$LAUNCHER_WINE_ARCH" --json "$results" \
  "${measure_args[@]}"
# --help: the options were shown, and nothing was measured to report.
case " $* " in *" --help "* | *" -h "*) exit 0 ;; esac
exec "$repo/tools/kit" bench report "$results" "${report_args[@]}"
