#!/usr/bin/env bash
# Installs every Debian package Orvex needs to build, test, benchmark and run.
# Idempotent: packages already present are skipped, and apt is not touched at all
# when nothing is missing.
#
#   scripts/install-deps.sh          what the build, the tests and the program need
#   scripts/install-deps.sh --look   also a virtual display and the tools to drive it
#                                    and take screenshots (xvfb-run, xdotool, import),
#                                    and openscad to render exported meshes
#   scripts/install-deps.sh --fuzz   also clang and libFuzzer's runtime, for the
#                                    fuzz targets (scripts/fuzz.sh)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmuparser-dev libglm-dev
  libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri
  libpng-dev librsvg2-bin
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  python3 libclang-rt-14-dev
  qt6-base-dev libx11-dev qt6-translations-l10n qt6-tools-dev qt6-l10n-tools
  fonts-ipafont-gothic
)
if [ "${1:-}" = "--look" ]; then
  packages+=(xvfb xauth xdotool imagemagick openscad)
fi
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
