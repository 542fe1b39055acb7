#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and this machine lacks.
# Idempotent: packages already present are left alone, and apt is not touched when nothing is missing.
#   scripts/install-deps.sh          build and test tools
#   scripts/install-deps.sh --art    also the fonts that the art pipeline draws captions with (DejaVu)
#   scripts/install-deps.sh --bench  also what the benchmark measures the launcher against (NSIS)
#   scripts/install-deps.sh --sign   also what signs the medium's launcher (osslsigncode, openssl)
# The options combine, e.g. scripts/install-deps.sh --art --sign.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32 wine64 libasound2 libasound2:i386
  xvfb xdotool x11-apps x11-utils imagemagick
  sox icoutils xorriso wixl
  clang libclang-rt-14-dev
  python3 python3-pytest python3-pil python3-pefile python3-pycdlib
)

for option in "$@"; do
  case "$option" in
    --art) packages+=(fonts-dejavu-core fonts-dejavu-extra) ;;
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
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
