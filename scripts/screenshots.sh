#!/usr/bin/env bash
# Runs the end-to-end screen tests and copies the launcher's window, as they saw it on 24-, 16- and 8-bit
# screens and in the 16-colour build, into docs/screenshots/, with the measured pixel differences; and
# the example products' (docs/examples/zyndra-atlas and, in English, corvand-tidebook) windows on a 24-bit
# screen and the contact sheets of their media's acceptance check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
. scripts/lib/wine-preset.sh
preset=$LAUNCHER_PRESET
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -R 'e2e\.(wine_template|screen|profile_example)'
mkdir -p docs/screenshots
: > docs/screenshots/differences.txt
for name in depth-24 depth-24-installed depth-16 depth-8 depth-4; do
  cp "build/$preset/screenshots/$name.png" docs/screenshots/
  echo "$name: $(cat "build/$preset/screenshots/$name.txt")" >> docs/screenshots/differences.txt
done
for example in example example-english; do
  cp "build/$preset/screenshots/$example-depth-24.png" "build/$preset/screenshots/$example-contact-sheet.png" \
    docs/screenshots/
done
cat docs/screenshots/differences.txt
