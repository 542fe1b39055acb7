#!/usr/bin/env bash
# Sets up this machine, builds LAUNCH.EXE and shows it running under Wine: on $DISPLAY when there is
# one, otherwise on a private virtual screen, saving a screenshot under the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
. scripts/lib/wine-preset.sh
[ "$LAUNCHER_PRESET" = windows ] || echo "run: $LAUNCHER_HOST_NOTE"
preset=$LAUNCHER_PRESET arch=$LAUNCHER_WINE_ARCH
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target launch stub_poke
PYTHONPATH="$PWD/tools" exec /usr/bin/python3 scripts/show_launcher.py "build/$preset/LAUNCH.EXE" "$PWD/build/$preset" "$arch"
