#!/usr/bin/env bash
# Runs the end-to-end tests of the launcher at work and of the 16-colour build and copies the launcher's
# window, as they saw it on 24-, 16- and 8-bit screens and in the 16-colour build, into docs/screenshots/,
# with the measured pixel differences; and the example products' (docs/examples/zyndra-atlas and, in
# English, corvand-tidebook) windows on a 24-bit screen and the contact sheets of their media's acceptance
# check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
. scripts/lib/wine-preset.sh
preset=$LAUNCHER_PRESET
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -R 'e2e\.(wine_template|at_work|screen|profile_example)'
mkdir -p docs/screenshots
: > docs/screenshots/differences.txt
shots=build/$preset/screenshots
# name in docs/screenshots <- the picture the tests kept
for pair in depth-24:at-work/depth-24-at-rest depth-24-installed:at-work/depth-24-the-installed-product-at-rest \
            depth-16:at-work/depth-16-at-rest depth-8:at-work/depth-8-at-rest depth-4:depth-4; do
  name=${pair%%:*} kept=$shots/${pair#*:}
  cp "$kept.png" "docs/screenshots/$name.png"
  echo "$name: $(cat "$kept.txt")" >> docs/screenshots/differences.txt
done
for example in example example-english; do
  cp "build/$preset/screenshots/$example-depth-24.png" "build/$preset/screenshots/$example-contact-sheet.png" \
    docs/screenshots/
done
cat docs/screenshots/differences.txt
