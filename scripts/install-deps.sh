#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and this machine lacks.
# Idempotent: packages already present are left alone, and apt is not touched when nothing is missing.
#   scripts/install-deps.sh          build and test tools
#   scripts/install-deps.sh --art    what the art pipeline needs (Pillow, sox and the DejaVu fonts it
#                                    draws and measures captions with): all among the build and test tools,
#                                    since the profile's tests measure captions too
#   scripts/install-deps.sh --bench  also what the benchmark measures the launcher against (NSIS)
#   scripts/install-deps.sh --sign   also what signs the medium's launcher (osslsigncode, openssl)
# The options combine, e.g. scripts/install-deps.sh --art --sign.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32 wine64 libasound2 libasound2:i386
  xvfb
  sox xorriso wixl
  clang libclang-rt-14-dev
  python3 python3-pytest python3-pil python3-pefile python3-pycdlib python3-xlib
  fonts-dejavu-core fonts-dejavu-extra
)

for option in "$@"; do
  case "$option" in
    --art) ;;
    --bench) packages+=(nsis) ;;
    --sign) packages+=(osslsigncode openssl) ;;
    *) echo "install-deps: unknown option '$option' (--art, --bench, --sign)" >&2; exit 2 ;;
  esac
done

sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: adding the i386 architecture"
  $sudo dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails a download now and then: retried. One index that still fails (seen: the
# security archive's i386 list, "Mirror sync in progress?") does not stop the set-up: the packages may
# well install from the lists apt already has, which the install below finds out.
apt_options=(-q -o Acquire::Retries=3)
if ! $sudo apt-get "${apt_options[@]}" update; then
  echo "install-deps: apt-get update failed for an index (see above); going on with the package lists apt has"
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
install() {
  $sudo apt-get "${apt_options[@]}" install -y --no-install-recommends "$@" 2>&1 | tee -a "$log"
  return "${PIPESTATUS[0]}"
}
install "${missing[@]}" && exit 0

# Without an index of the i386 half, its packages cannot be had at the versions of the amd64 ones:
# everything else is installed, and the Wine tests run against the 64-bit twin (scripts/lib/wine-preset.sh
# finds no 32-bit Wine that runs).
rest=() half32=()
for p in "${missing[@]}"; do
  case "$p" in *:i386|wine32) half32+=("$p") ;; *) rest+=("$p") ;; esac
done
reason=$(grep -m1 -E '^E: |Depends: ' "$log" | sed 's/^ *//' || true)
if [ ${#half32[@]} -eq 0 ] || { [ ${#rest[@]} -gt 0 ] && ! install "${rest[@]}"; }; then
  echo "install-deps: the packages could not be installed: ${reason:-see the output of apt-get above}" >&2
  exit 1
fi
echo "install-deps: the 32-bit half (${half32[*]}) could not be installed (${reason:-see above}); everything else is, and the Wine tests will run against the 64-bit twin (build/windows-x64)" >&2
