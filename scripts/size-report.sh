#!/bin/sh
# Where the bytes of the launcher go, as a Markdown table (tools/kit size-report --help).
#   scripts/size-report.sh [EXE]        EXE defaults to build/windows/LAUNCH.EXE
exec "$(dirname "$0")/../tools/kit" size-report "$@"
