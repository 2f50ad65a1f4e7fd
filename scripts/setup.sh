#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and running TavuZip needs.
# Safe to run again: packages already present are left alone. Run as root (or through sudo).
set -euo pipefail

packages=(
  # build
  cmake ninja-build pkg-config g++ ccache
  # engine and window libraries
  libvips-dev qt6-base-dev
  # tests and benchmarks
  libgtest-dev libbenchmark-dev libvips-tools imagemagick hyperfine time
  # running the window headless, and Chinese text
  xvfb xauth fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages present"
