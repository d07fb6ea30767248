#!/usr/bin/env bash
# Installs the Debian packages Tessarin needs to build and test, when missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config python3 openssl clang-format
  libssl-dev libcurl4-openssl-dev libmagic-dev libcli11-dev qt6-base-dev
  libgtest-dev libgmock-dev
  clang zbar-tools python3-segno imagemagick
  xvfb xauth fonts-noto-cjk qt6-image-formats-plugins
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
