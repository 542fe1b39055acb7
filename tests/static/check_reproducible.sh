#!/usr/bin/env bash
# Builds LAUNCH.EXE a second time in a fresh build tree and compares it byte for byte with the first.
# Usage: check_reproducible.sh SOURCE_DIR TOOLCHAIN_FILE PROFILE BUILT_EXE SCRATCH_DIR
set -euo pipefail
source_dir=$1 toolchain=$2 profile=$3 built=$4 scratch=$5
rm -rf "$scratch"
cmake -S "$source_dir" -B "$scratch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DLAUNCHER_PROFILE="$profile" >/dev/null
cmake --build "$scratch" --target launch >/dev/null
second="$scratch/$(basename "$built")"
if cmp -s "$built" "$second"; then
  echo "reproducible: $(sha256sum < "$built" | cut -c1-16)... $(stat -c %s "$built") bytes, twice"
  rm -rf "$scratch"
else
  echo "the two builds differ:"; cmp -l "$built" "$second" | head -n 10
  exit 1
fi
