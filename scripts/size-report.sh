#!/usr/bin/env bash
# Where the bytes of the launcher go, as a Markdown table.
#
#   scripts/size-report.sh [EXE]        EXE defaults to build/windows/LAUNCH.EXE
#
# The executable is split into its headers (DOS stub, PE header, section table), its code (.text), its
# other sections, its resources (.rsrc), the padding that rounds each of them up to the file alignment,
# and anything past the last section. Below the table, the floor: what the files that resources/launcher.rc names take as stored
# in the resources. A bitmap is stored without its 14-byte file header; an icon's images are stored
# whole and its 16-byte directory entries become 14-byte entries of the icon group; sounds are stored
# whole. What .rsrc holds beyond that floor is the resource directory, the version resource and padding.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$repo/build/windows/LAUNCH.EXE}
rc=$repo/resources/launcher.rc

die() { echo "size-report: $*" >&2; exit 1; }
[ -f "$exe" ] || die "'$exe' does not exist (build it: cmake --preset windows && cmake --build --preset windows)"
[ "$(head -c 2 "$exe")" = MZ ] || die "'$exe' is not a Windows executable (no MZ header)"

# The objdump of the executable's machine: LAUNCH.EXE is 32-bit; the windows-x64 preset builds it for 64-bit.
pe_offset=$(od -An -t u4 -j 60 -N 4 "$exe" | tr -d ' ')
machine=$(od -An -t x2 -j $(( pe_offset + 4 )) -N 2 "$exe" | tr -d ' ')
case "$machine" in
  8664) objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump} ;;
  *)    objdump=${OBJDUMP:-i686-w64-mingw32-objdump} ;;
esac
command -v "$objdump" >/dev/null || die "$objdump is missing (Debian packages binutils-mingw-w64-i686, -x86-64)"

file_size=$(stat -c %s "$exe")
headers_span=$(( 16#$("$objdump" -p "$exe" | awk '$1 == "SizeOfHeaders" { print $2 }') ))
# The headers' content ends with the section table.
section_count=$(od -An -t u2 -j $(( pe_offset + 6 )) -N 2 "$exe" | tr -d ' ')
optional_size=$(od -An -t u2 -j $(( pe_offset + 20 )) -N 2 "$exe" | tr -d ' ')
headers=$(( pe_offset + 24 + optional_size + 40 * section_count ))
alignment=$(( 16#$("$objdump" -p "$exe" | awk '$1 == "FileAlignment" { print $2 }') ))
[ "$headers_span" -gt 0 ] && [ "$alignment" -gt 0 ] || die "'$exe' is not a PE executable that $objdump reads"

# name size file-offset, for each section with contents in the file.
sections=$("$objdump" -h "$exe" | awk '
  $1 ~ /^[0-9]+$/ && NF >= 7 { name = $2; size = $3; offset = $6; next }
  name != "" { if ($0 ~ /CONTENTS/) print name, size, offset; name = "" }')

code=0 rsrc=0 other=0 other_names="" end=$headers_span
while read -r name size offset; do
  [ -n "$name" ] || continue
  content=$(( 16#$size ))
  span=$(( (content + alignment - 1) / alignment * alignment ))
  stop=$(( 16#$offset + span ))
  [ "$stop" -gt "$end" ] && end=$stop
  case "$name" in
    .text) code=$(( code + content )) ;;
    .rsrc) rsrc=$(( rsrc + content )) ;;
    *) other=$(( other + content )); other_names="$other_names${other_names:+, }$name" ;;
  esac
done <<<"$sections"
# The last section's rounding may reach past a file that ends right after its content.
[ "$end" -gt "$file_size" ] && end=$file_size
trailing=$(( file_size - end ))
padding=$(( end - headers - code - other - rsrc ))

# Resource files named by the script, as stored in the executable.
floor=0 bitmaps=0 icons=0 sounds=0 others=0 count=0
while read -r type path; do
  file="$(dirname "$rc")/$path"
  [ -f "$file" ] || die "$rc names '$path', which does not exist"
  size=$(stat -c %s "$file")
  case "$type" in
    BITMAP) stored=$(( size - 14 )); bitmaps=$(( bitmaps + stored )) ;;
    ICON)   images=$(od -An -t u2 -j 4 -N 2 "$file" | tr -d ' ')
            stored=$(( size - 2 * images )); icons=$(( icons + stored )) ;;
    WAVE)   stored=$size; sounds=$(( sounds + stored )) ;;
    *)      stored=$size; others=$(( others + stored )) ;;
  esac
  floor=$(( floor + stored )); count=$(( count + 1 ))
done < <(sed -n -E 's/^[[:space:]]*[0-9A-Za-z_]+[[:space:]]+([A-Z_]+)[[:space:]]+"([^"]+)".*/\1 \2/p' "$rc")

share() { awk -v part="$1" -v whole="$2" 'BEGIN { printf "%.1f %%", whole ? 100 * part / whole : 0 }'; }
row() { printf '| %s | %d | %s |\n' "$1" "$2" "$(share "$2" "$file_size")"; }

echo "Size of \`$(basename "$exe")\`: $file_size bytes (file alignment $alignment)"
echo
echo "| Part | Bytes | Share |"
echo "| --- | ---: | ---: |"
row "Headers (DOS stub, PE header, section table)" "$headers"
row "Code (.text)" "$code"
row "Other sections (${other_names:-none})" "$other"
row "Resources (.rsrc)" "$rsrc"
row "Alignment padding (each part rounded up to the file alignment)" "$padding"
[ "$trailing" -ne 0 ] && row "Past the last section" "$trailing"
row "**Total**" "$file_size"
echo
echo "| Floor: files named by \`resources/launcher.rc\`, as stored | Bytes |"
echo "| --- | ---: |"
printf '| Bitmaps (file size less the 14-byte file header) | %d |\n' "$bitmaps"
printf '| Icon (images and icon group) | %d |\n' "$icons"
printf '| Sounds (whole files) | %d |\n' "$sounds"
[ "$others" -ne 0 ] && printf '| Other files | %d |\n' "$others"
printf '| **Sum of %d files** | %d |\n' "$count" "$floor"
printf '| .rsrc content beyond the files (directory, version resource, room between the data) | %d |\n' "$(( rsrc - floor ))"
