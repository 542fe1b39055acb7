#!/usr/bin/env bash
# Sets up this machine, builds everything and runs every test:
#   native unit tests (sanitizers), asset check tests and a short fuzzing run;
#   checks of the real LAUNCH.EXE (header, imports, resources, reproducible build);
#   tests inside Wine and end-to-end tests of the launcher on Xvfb.
#
#   scripts/test.sh                    the shipped product (build/<preset>)
#   scripts/test.sh --profile FILE     the same suite for the product of FILE, in build trees of its own
#                                      (build/product-<volume name>-<key of the profile's path>/<preset>)
#
# Where the kernel cannot run 32-bit code (some virtual machines), Wine cannot start the 32-bit
# LAUNCH.EXE: the Wine-based tests then run against the same sources built for 64-bit Windows.
# The closing line counts the tests from CTest's JUnit reports (scripts/lib/junit_counts.py).
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/lib/product-option.sh"
read_product_option scripts/test.sh "$@"
cd "$repo" || exit 1

# --sign: the medium's tests sign a launcher.
scripts/install-deps.sh --sign || exit 1
mkdir -p build/logs

. scripts/lib/wine-preset.sh
echo "test: $LAUNCHER_HOST_NOTE"
presets=(native windows)
[ "$LAUNCHER_PRESET" = windows ] || presets+=("$LAUNCHER_PRESET")

locate_product
[ -z "$profile" ] || echo "test: the product of $profile, in $trees/"

# run_preset PRESET TREE: configures, builds and tests one preset in TREE, the JUnit report in it.
run_preset() {
  if [ -z "$profile" ]; then
    cmake --workflow --preset "$1"
  else
    cmake --preset "$1" -B "$2" -DLAUNCHER_PROFILE="$profile" && cmake --build "$2" &&
      ctest --test-dir "$2" --output-on-failure --output-junit "$PWD/$2/ctest-junit.xml"
  fi
}

status=0
reports=()
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  tree=${trees:-build}/$preset
  report=$tree/ctest-junit.xml
  rm -f "$report"
  run_preset "$preset" "$tree" 2>&1 | tee "build/logs/$(basename "${trees:-}")${trees:+-}$preset.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  if [ -s "$report" ]; then
    reports+=("$report")
  else
    echo "test: $preset did not reach its tests"; status=1
  fi
done

passed=0 failed=0 skipped=0
if [ ${#reports[@]} -gt 0 ]; then
  read -r passed failed skipped < <(/usr/bin/python3 scripts/lib/junit_counts.py "${reports[@]}")
fi
echo
echo "Total: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] || status=1
exit $status
