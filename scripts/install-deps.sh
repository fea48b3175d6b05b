#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Only the packages that are missing are installed, so a second run is quick.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake pkg-config git
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # text rendering, images, documents
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-wqy-zenhei
  libpng-dev zlib1g-dev libpoppler-cpp-dev
  # job files
  nlohmann-json3-dev
  # barcodes: drawing (preview) and decoding (round-trip tests)
  libzint-dev libzxing-dev
  # installer windows and their screenshot tests
  libfltk1.3-dev xvfb xauth xdotool x11-apps imagemagick
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
