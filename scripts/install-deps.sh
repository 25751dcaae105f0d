#!/usr/bin/env bash
# Installs every Debian package Pictavo needs to build, test and benchmark.
# Safe to run again: it only calls apt-get when a package is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache git
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libfmt-dev
  libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev zlib1g-dev
  libopenjp2-7-dev libtiff-dev libexif-dev
  imagemagick netpbm libimage-exiftool-perl tidy
  pure-ftpd curl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
