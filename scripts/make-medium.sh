#!/usr/bin/env bash
# Builds the installation medium: its file tree and an ISO 9660 image (with Joliet names) of it.
#
#   scripts/make-medium.sh [--setup PATH_TO_SETUP32.EXE] [--launch PATH_TO_LAUNCH.EXE] [--out DIR]
#
#   --setup   the product's setup program; it is put on the medium as SETUP32.EXE. Without it, a small
#             placeholder program (tools/medium/placeholder.c) takes its place and, when started, says
#             that this medium carries a placeholder instead of the product's setup program.
#   --launch  the launcher to put on the medium; default build/windows/LAUNCH.EXE, which is built with
#             the "windows" CMake preset when it is missing.
#   --out     where to build; default build/medium. Only DIR/tree, DIR/placeholder and the image
#             DIR/QELVAR_LUMIVANE.iso are replaced; nothing else in DIR is touched.
#
# The medium's root holds exactly AUTORUN.INF, LAUNCH.EXE and SETUP32.EXE.
#
# Reproducible: every time stamp in the image (files, directories, volume descriptors) is the
# SOURCE_DATE_EPOCH from the environment or, without it, the time of the last commit; so two builds of
# the same commit with the same inputs give byte-identical images.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
volume_id=QELVAR_LUMIVANE
image_name=$volume_id.iso

die() { echo "make-medium: $*" >&2; exit 1; }

setup=""
launch=""
out="$repo/build/medium"
while [ $# -gt 0 ]; do
  case "$1" in
    --setup)  [ $# -ge 2 ] || die "--setup needs a path"; setup=$2; shift 2 ;;
    --launch) [ $# -ge 2 ] || die "--launch needs a path"; launch=$2; shift 2 ;;
    --out)    [ $# -ge 2 ] || die "--out needs a directory"; out=$2; shift 2 ;;
    -h|--help) sed -n '2,19s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) die "unknown argument '$1' (see --help)" ;;
  esac
done

command -v xorriso >/dev/null || die "xorriso is missing (Debian package xorriso; scripts/install-deps.sh installs it)"

# A Windows program starts with "MZ"; anything else on the medium as an .EXE would only fail on the
# user's machine, so it is refused here.
require_windows_program() {
  local file=$1 what=$2
  [ -f "$file" ] || die "$what '$file' does not exist"
  [ "$(head -c 2 "$file")" = "MZ" ] || die "$what '$file' is not a Windows program (no MZ header)"
}

# The time stamp of everything on the medium.
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  epoch=$SOURCE_DATE_EPOCH
elif epoch=$(git -C "$repo" log -1 --format=%ct 2>/dev/null) && [ -n "$epoch" ]; then
  :
else
  epoch=1704067200  # 2024-01-01 00:00:00 UTC, for a tree without git history
fi
[[ "$epoch" =~ ^[0-9]+$ ]] || die "SOURCE_DATE_EPOCH must be a number of seconds, not '$epoch'"
export TZ=UTC

# The launcher.
if [ -z "$launch" ]; then
  launch="$repo/build/windows/LAUNCH.EXE"
  if [ ! -f "$launch" ]; then
    echo "make-medium: $launch is missing; building it"
    (cd "$repo" && cmake --preset windows >/dev/null && cmake --build --preset windows --target launch)
  fi
fi
require_windows_program "$launch" "the launcher"

mkdir -p "$out"
out=$(cd "$out" && pwd)
tree="$out/tree"
image="$out/$image_name"
# The inputs must survive the clean-up below.
for input in "$launch" ${setup:+"$setup"}; do
  case "$(realpath "$input")" in
    "$tree"/*|"$out/placeholder"/*|"$image")
      die "'$input' lies in what this build replaces; copy it elsewhere first" ;;
  esac
done
rm -rf "$tree" "$out/placeholder"
rm -f "$image"
mkdir -p "$tree"

# The setup program: the product's own, or the placeholder.
if [ -n "$setup" ]; then
  require_windows_program "$setup" "the setup program"
  cp "$setup" "$tree/SETUP32.EXE"
  echo "make-medium: SETUP32.EXE is $setup"
else
  command -v i686-w64-mingw32-gcc >/dev/null || die "i686-w64-mingw32-gcc is missing (Debian package gcc-mingw-w64-i686)"
  work="$out/placeholder"
  mkdir -p "$work"
  i686-w64-mingw32-windres -O coff -i "$repo/tools/medium/placeholder.rc" -o "$work/placeholder.res.o"
  # Like the launcher: no C runtime, loadable by Windows 95 and NT 4, no link time stamp, stripped.
  i686-w64-mingw32-gcc -Os -Wall -Wextra -Werror -ffreestanding -fno-asynchronous-unwind-tables \
    -fno-stack-protector -mno-stack-arg-probe -nostdlib -nostartfiles -e _PlaceholderEntry@0 -s \
    -Wl,--no-insert-timestamp -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4,--minor-os-version,0 \
    -Wl,--disable-dynamicbase,--disable-nxcompat,--disable-reloc-section \
    -o "$work/SETUP32.EXE" "$repo/tools/medium/placeholder.c" "$work/placeholder.res.o" -luser32 -lkernel32
  cp "$work/SETUP32.EXE" "$tree/SETUP32.EXE"
  echo "make-medium: no --setup given: SETUP32.EXE is a PLACEHOLDER that only shows a message box"
fi

cp "$launch" "$tree/LAUNCH.EXE"

# Windows reads AUTORUN.INF as an INI file: DOS line endings.
printf '[autorun]\r\nopen=LAUNCH.EXE\r\nicon=LAUNCH.EXE,0\r\n' >"$tree/AUTORUN.INF"

chmod 0644 "$tree"/*
touch -d "@$epoch" "$tree"/* "$tree"

# YYYYMMDDhhmmsscc in UTC, as -volume_date uuid wants it.
uuid_date="$(date -u -d "@$epoch" +%Y%m%d%H%M%S)00"

# ISO level 1 keeps the ISO 9660 names in 8.3 upper case, as the oldest systems read them; Joliet
# gives the same names to systems that read it. No Rock Ridge: it would record owners and modes of
# the build machine. The volume descriptor's text fields are set here rather than left to xorriso,
# whose defaults name its own version. Padding is set explicitly to xorriso's usual 300 KiB, which
# keeps old Linux drivers from reading past the end of a disc.
SOURCE_DATE_EPOCH=$epoch xorriso -no_rc -report_about WARNING \
  -outdev "stdio:$image" \
  -compliance iso_9660_level=1 \
  -joliet on -rockridge off \
  -volid "$volume_id" \
  -publisher "QELVAR SOFTWARE GMBH" \
  -application_id "QELVAR LUMIVANE INSTALLATION MEDIUM" \
  -preparer_id "SCRIPTS/MAKE-MEDIUM.SH" \
  -system_id "WIN32" \
  -volset_id "" \
  -padding 300k \
  -volume_date uuid "$uuid_date" \
  -volume_date c "=$epoch" \
  -volume_date m "=$epoch" \
  -volume_date x default \
  -volume_date f default \
  -volume_date all_file_dates "=$epoch" \
  -iso_nowtime "=$epoch" \
  -map "$tree" / \
  -commit

echo "make-medium: tree  $tree"
echo "make-medium: image $image ($(stat -c %s "$image") bytes)"
sha256sum "$image" | sed 's/^/make-medium: sha256 /'
