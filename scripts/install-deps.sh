#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run, test and benchmark.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  zlib1g-dev liblzma-dev libbz2-dev libzstd-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libqcustomplot-dev libqcustomplot2.1-qt6
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth imagemagick ghostscript fonts-dejavu-core
  datamash gnuplot-nox time
  dpkg-dev desktop-file-utils appstream librsvg2-bin shared-mime-info man-db xdotool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
