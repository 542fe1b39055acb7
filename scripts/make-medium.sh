#!/usr/bin/env bash
# Builds a product's installation medium: its file tree and an ISO 9660 image (with Joliet names) of it.
#
#   scripts/make-medium.sh [--profile FILE] [--setup PATH/TO/SETUP.EXE] [--content DIR]
#                          [--capacity cd650|cd700|dvd] [--launch PATH/TO/LAUNCH.EXE] [--out DIR] [--preset NAME]
#                          [--sign-pkcs12 FILE [--sign-password-file FILE] [--timestamp-url URL]]
#
#   --profile the product profile (default resources/product.profile): names, volume name, AUTORUN.INF
#             texts. With it, the script builds that product's launcher in DIR/launcher-PRESET.
#   --setup   the product's setup program; it goes on the medium under the profile's setup_program name
#             whatever its own name. It must be a Windows program (PE, GUI or console subsystem); a 64-bit
#             one is taken with a warning. Without it, a small placeholder program (tools/medium/placeholder.c,
#             the build's target "placeholder") takes its place and, when started, says that this medium
#             carries a placeholder instead of the product's setup program.
#   --content the product's files: everything in DIR goes on the medium under the same relative path,
#             byte for byte (default: the profile's content_folder, if it names one). Names Windows cannot
#             open from the disc are refused, one line each (tools/kit medium --help).
#   --capacity the disc the medium is for: cd650, cd700 (default; 360,000 sectors of 2,048 bytes) or dvd;
#             a larger image is refused with both sizes in MB.
#   --launch  the launcher to put on the medium, built for the same profile; default: for the shipped
#             product build/windows/LAUNCH.EXE (built with the "windows" CMake preset when it is missing),
#             for another the launcher built in DIR/launcher-PRESET. The placeholder comes from that build
#             tree too.
#   --out     where to build; default build/medium. Only DIR/tree (the start-up files), DIR/launcher-PRESET,
#             the image DIR/<volume name>.iso and, while building, DIR/.make-medium-new are written; nothing
#             else in DIR is touched.
#   --preset  the CMake configure preset the launcher is built with; default windows (32-bit).
#   --sign-pkcs12  sign the launcher on the medium (Authenticode, SHA-256, osslsigncode) with the
#             certificate and key in this PKCS#12 file (.p12, .pfx); the certificate must be for code
#             signing and not expired. --sign-password-file names the file that holds the key's
#             password (none for a key without one); --timestamp-url adds an RFC 3161 time stamp from
#             that server, which needs the network and makes every build's bytes differ.
#
# The medium's root holds AUTORUN.INF, the launcher under its original_filename (LAUNCH.EXE by default)
# and the setup program, at the lowest blocks of the disc in that order, and the content beside them.
# The medium's folder tree is printed at the end, with its total size.
#
# Reproducible: every time stamp in the image (files, directories, volume descriptors) is the
# SOURCE_DATE_EPOCH from the environment or, without it, the time of the last commit; so two builds of
# the same commit with the same inputs give byte-identical images. A signed launcher carries that time as
# its signing time, so that holds for signed media too (without --timestamp-url).
#
# A build that stops leaves no half-made medium and keeps an earlier one: a fault found before the build
# (an argument, the profile, the content, the setup program, the signing key) changes nothing in DIR; the
# medium is built in DIR/.make-medium-new and takes the place of the earlier one only when it is whole
# and fits its disc.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)

die() { echo "make-medium: $*" >&2; exit 1; }

profile=""
setup=""
content=""
capacity=cd700
launch=""
out="$repo/build/medium"
preset=windows
sign_pkcs12=""
sign_password_file=""
timestamp_url=""
while [ $# -gt 0 ]; do
  case "$1" in
    --profile) [ $# -ge 2 ] || die "--profile needs a file"; profile=$2; shift 2 ;;
    --setup)  [ $# -ge 2 ] || die "--setup needs a path"; setup=$2; shift 2 ;;
    --content) [ $# -ge 2 ] || die "--content needs a folder"; content=$2; shift 2 ;;
    --capacity) [ $# -ge 2 ] || die "--capacity needs cd650, cd700 or dvd"; capacity=$2; shift 2 ;;
    --launch) [ $# -ge 2 ] || die "--launch needs a path"; launch=$2; shift 2 ;;
    --out)    [ $# -ge 2 ] || die "--out needs a directory"; out=$2; shift 2 ;;
    --preset) [ $# -ge 2 ] || die "--preset needs a name"; preset=$2; shift 2 ;;
    --sign-pkcs12) [ $# -ge 2 ] || die "--sign-pkcs12 needs a file"; sign_pkcs12=$2; shift 2 ;;
    --sign-password-file) [ $# -ge 2 ] || die "--sign-password-file needs a file"; sign_password_file=$2; shift 2 ;;
    --timestamp-url) [ $# -ge 2 ] || die "--timestamp-url needs a URL"; timestamp_url=$2; shift 2 ;;
    -h|--help) sed -n '2,47s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) die "unknown argument '$1' (see --help)" ;;
  esac
done
# Every path is the caller's, taken from the folder the script was started in; made absolute here, so
# that the steps below that run in the repository (cmake) find the same files.
for name in profile setup content launch out sign_pkcs12 sign_password_file; do
  case ${!name} in /* | "") ;; *) printf -v "$name" '%s/%s' "$PWD" "${!name}" ;; esac
done
if [ -z "$sign_pkcs12" ] && [ -n "$sign_password_file$timestamp_url" ]; then
  die "--sign-password-file and --timestamp-url sign the launcher: they need --sign-pkcs12 FILE"
fi

# The product: every name and text on the medium comes from its profile.
kit="$repo/tools/kit"
profile_file=${profile:-$repo/resources/product.profile}
"$kit" profile check "$profile_file" || die "the product profile $profile_file has faults (listed above)"
profile_value() { "$kit" profile get "$profile_file" "$1"; }
# Art made for another product (a copied example) or older than its masters is refused before anything is built.
"$kit" art check "$profile_file" ||
  die "the art in $(profile_value resource_folder) was not made for this product from its present masters" \
      "(listed above, each with the command that makes it anew)"
volume_id=$(profile_value volume_name)
image_name=$volume_id.iso
setup_name=$(profile_value setup_program)
launcher_name=$(profile_value original_filename)

command -v xorriso >/dev/null || die "xorriso is missing (Debian package xorriso; scripts/install-deps.sh installs it)"

# A Windows program starts with "MZ"; anything else on the medium as the launcher would only fail on the
# user's machine, so it is refused here. (The setup program is read whole by the kit, below.)
require_windows_program() {
  local file=$1 what=$2
  [ -f "$file" ] || die "$what '$file' does not exist"
  [ "$(head -c 2 "$file")" = "MZ" ] || die "$what '$file' is not a Windows program (no MZ header)"
}

# The content, the setup program, the capacity: each refusal is one line, and nothing in --out is touched.
"$kit" medium check-inputs --profile "$profile_file" --out "$out" ${content:+--content "$content"} \
  ${setup:+--setup "$setup"} --capacity "$capacity" || exit 1

# The time stamp of everything on the medium.
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  epoch=$SOURCE_DATE_EPOCH
elif epoch=$(git -C "$repo" log -1 --format=%ct 2>/dev/null) && [ -n "$epoch" ]; then
  :
else
  epoch=1704067200  # 2024-01-01 00:00:00 UTC, for a tree without git history
fi
# An ISO 9660 directory record keeps the year as a count from 1900 in one byte: the end of 2155 is the
# latest time an image can carry (xorriso and touch would fail later, each with its own words).
latest_epoch=5869583999  # 2155-12-31 23:59:59 UTC
[[ "$epoch" =~ ^[0-9]{1,10}$ ]] && [ "$epoch" -le "$latest_epoch" ] ||
  die "SOURCE_DATE_EPOCH must be a number of seconds from 0 to $latest_epoch (2155-12-31 23:59:59 UTC, the" \
      "latest time an ISO 9660 directory record holds), not '$epoch'"
export TZ=UTC

# Signing is checked before anything is built or replaced; the signature itself is the launcher's last step.
if [ -n "$sign_pkcs12" ]; then
  . "$repo/scripts/lib/signing.sh"
  signing_check
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
# Built here, then moved into the places of the earlier medium's tree and image.
new="$out/.make-medium-new"
tree="$new/tree"
image="$new/$image_name"

# The launcher and the placeholder: the default product's from its usual build tree (built there when
# missing), another product's built here.
default_build="$repo/build/$preset"
build=$default_build
if [ -n "$profile" ] && [ "$(realpath "$profile")" != "$(realpath "$repo/resources/product.profile")" ]; then
  build="$out/launcher-$preset"
fi
targets=()
if [ -z "$launch" ]; then
  launch="$build/LAUNCH.EXE"
  [ "$build" = "$default_build" ] && [ -f "$launch" ] || targets+=(launch)
fi
# The placeholder is a target of the build (cmake/WindowsBuild.cmake), linked as the launcher is.
[ -n "$setup" ] || targets+=(placeholder)
if [ ${#targets[@]} -gt 0 ]; then
  if [ "$build" = "$default_build" ]; then
    [ -f "$build/CMakeCache.txt" ] || (cd "$repo" && cmake --preset "$preset" >/dev/null) ||
      die "the build tree $build could not be configured"
  else
    echo "make-medium: building the launcher for $profile in $build"
    (cd "$repo" && cmake --preset "$preset" -B "$build" -DLAUNCHER_PROFILE="$(realpath "$profile")" >/dev/null) ||
      die "the launcher for $profile could not be configured"
  fi
  log=$(cmake --build "$build" --target "${targets[@]}" 2>&1) || { echo "$log" >&2; die "${targets[*]} did not build in $build"; }
fi
require_windows_program "$launch" "the launcher"
rm -rf "$new"
# From here on a failure removes what this build has written, so that no half-made medium is left.
# (The path is fixed now: a function's local variable of the same name cannot change it.)
trap "rm -rf $(printf '%q' "$new")" EXIT
mkdir -p "$tree"

# The setup program: the product's own, or the placeholder.
if [ -n "$setup" ]; then
  cp "$setup" "$tree/$setup_name"
  echo "make-medium: $setup_name is $setup"
else
  cp "$build/PLACEHOLDER.EXE" "$tree/$setup_name"
  echo "make-medium: no --setup given: $setup_name is a PLACEHOLDER that only shows a message box"
fi

if [ -n "$sign_pkcs12" ]; then
  sign_launcher "$launch" "$tree/$launcher_name" "$epoch" "$timestamp_url"
  echo "make-medium: $launcher_name signed with $sign_pkcs12${timestamp_url:+, time stamp from $timestamp_url}"
else
  cp "$launch" "$tree/$launcher_name"
fi

# Opens the launcher and takes its icon; label and AutoPlay text from the profile. An INI file in the
# ANSI code page with DOS line endings, as Windows reads it.
"$kit" profile autorun "$profile_file" "$tree/AUTORUN.INF"

chmod 0644 "$tree"/*
touch -d "@$epoch" "$tree"/* "$tree"

# The image: ISO 9660 level 1 names (8.3, upper case, as the oldest systems read them) and Joliet names,
# the start-up files first, every time stamp the epoch (tools/launcherkit/medium/image.py).
"$kit" medium build --profile "$profile_file" --root "$tree" --image "$image" --epoch "$epoch" \
  ${content:+--content "$content"} --capacity "$capacity" >/dev/null || exit 1

# The new medium takes the place of the earlier one.
rm -rf "$out/tree" "$out/$image_name"
mv "$tree" "$out/tree"
mv "$image" "$out/$image_name"
rm -rf "$new"
trap - EXIT

image="$out/$image_name"
"$kit" medium tree "$image" --capacity "$capacity"
echo "make-medium: tree  $out/tree (the start-up files)"
echo "make-medium: image $image ($(stat -c %s "$image") bytes)"
sha256sum "$image" | sed 's/^/make-medium: sha256 /'
