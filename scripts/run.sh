#!/usr/bin/env bash
# Sets up this machine, builds a product's launcher and shows it running under Wine, started from a
# folder mapped as CD-ROM drive D:: on $DISPLAY when there is one, otherwise on a private virtual screen,
# saving a screenshot of the whole screen (so that the window's place shows) and printing the window's
# place and title.
#
#   scripts/run.sh                  the shipped product (build/<preset>)
#   scripts/run.sh --profile FILE   the product of FILE, built in a tree of its own
#                                   (build/product-<volume name>-<key of the profile's path>/<preset>)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/lib/product-option.sh"
read_product_option scripts/run.sh "$@"
cd "$repo"

scripts/install-deps.sh
. scripts/lib/wine-preset.sh
[ "$LAUNCHER_PRESET" = windows ] || echo "run: $LAUNCHER_HOST_NOTE"
preset=$LAUNCHER_PRESET
locate_product
if [ -n "$profile" ]; then
  tree=$trees/$preset
  echo "run: the product of $profile, in $tree/"
  # The build would stop on the same lines, among the build tool's own.
  tools/kit art check "$profile" || { echo "run: the product's art is not ready (listed above)" >&2; exit 1; }
  cmake --preset "$preset" -B "$tree" -DLAUNCHER_PROFILE="$profile" >/dev/null
  cmake --build "$tree" --target launch stub_poke
else
  tree=build/$preset
  profile=$PWD/resources/product.profile
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target launch stub_poke
fi
exec tools/kit wine.show "$tree/LAUNCH.EXE" "$PWD/$tree" "$LAUNCHER_WINE_ARCH" "$profile"
