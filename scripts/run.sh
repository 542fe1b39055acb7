#!/usr/bin/env bash
# Sets up this machine, builds LAUNCH.EXE and shows it running under Wine: on $DISPLAY when there is
# one, otherwise on a private virtual screen, saving a screenshot under the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=windows arch=win32
else
  echo "run: this machine cannot run 32-bit code; showing the same launcher built for 64-bit Windows"
  preset=windows-x64 arch=win64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target launch stub_poke
exec /usr/bin/python3 scripts/show_launcher.py "build/$preset/LAUNCH.EXE" "$PWD/build/$preset" "$arch"
