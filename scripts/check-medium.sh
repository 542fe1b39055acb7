#!/usr/bin/env bash
# The acceptance check of a built installation medium, for any product: the image's AUTORUN.INF and
# files, the launcher's resources, the medium as a whole (both trees, the start-up files first, the size,
# the content, the setup program; the kit's placeholder fails unless --trial), and the launcher at work
# under Wine on virtual screens of each depth.
#
#   scripts/check-medium.sh IMAGE [--profile FILE] [--content DIR] [--capacity cd650|cd700|dvd] [--trial]
#                           [--depths 24,16,8] [--out DIR]
#
# Writes DIR/report.md and DIR/contact-sheet.png (DIR defaults to IMAGE's name with "-check"). Exit code
# 0 only when every check holds; each failure is one line on standard error. On a host that cannot run
# the launcher under Wine, the image and its resources are still checked, it says that the launcher was
# not started, and the exit code is 77. (tools/kit check-medium --help tells more.)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ] || [ "$1" = --help ] || [ "$1" = -h ]; then
  sed -n '2,13s/^# \{0,1\}//p' "$0"; exit 2
fi

"$repo/scripts/install-deps.sh" >&2
. "$repo/scripts/lib/wine-preset.sh"
# The kit's own programs, in a build tree of their own (build/kit/<preset>): the asset check, and the
# recorder and POKE.EXE that the check starts under Wine. They do not depend on the product, so one tree
# serves every product.
build=$repo/build/kit/$LAUNCHER_PRESET
toolchain=$repo/cmake/mingw-$([ "$LAUNCHER_PRESET" = windows ] && echo i686 || echo x86_64).cmake
(cmake -S "$repo/tools/assetcheck" -B "$build/host/assetcheck" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build "$build/host/assetcheck" >/dev/null &&
  cmake -S "$repo/tools/wineprograms" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel --toolchain "$toolchain" >/dev/null &&
  cmake --build "$build" >/dev/null) ||
  { echo "check-medium: the kit's programs did not build" \
      "(see the output of cmake --build $(printf %q "$build"))" >&2; exit 2; }
exec "$repo/tools/kit" check-medium --build "$build" "$@"
