#!/usr/bin/env bash
# Benchmarks of the launcher under Wine: time to splash against an empty popup of the same size at
# depths 24, 16 and 8, hover response, and the executable's bytes. Prints a Markdown report and keeps it
# as docs/benchmarks.md. Options are passed on (see python3 tests/bench/benchmark.py --help).
#
#   scripts/benchmark.sh [--runs N] [--hover-runs N] [--depths 24,16,8] [--no-write]
#
# Measures build/windows-x64 where this host cannot execute 32-bit code, else build/windows; builds it first.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
if [ -z "${LAUNCHER_WINE_ARCH:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export LAUNCHER_WINE_ARCH=win32
  else
    export LAUNCHER_WINE_ARCH=win64
  fi
fi
preset=$([ "$LAUNCHER_WINE_ARCH" = win64 ] && echo windows-x64 || echo windows)
export LAUNCHER_BUILD_DIR=${LAUNCHER_BUILD_DIR:-$repo/build/$preset}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" >/dev/null
exec python3 tests/bench/benchmark.py "$@"
